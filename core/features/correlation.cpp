#include "correlation.hpp"

#include <utility>

namespace zerak {

Result<Correlation> Correlation::create(Names inputs, std::size_t window, Names outputs,
                                        CorrelationMethod method) {
  if (inputs.size() < 2) return invalid_input("inputs must contain at least 2 column names");
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (outputs.size() != 1) return invalid_input(msg::kOutputsExactly1);
  return Correlation(std::move(inputs), window, std::move(outputs), method);
}

Correlation::Correlation(Names inputs, std::size_t window, Names outputs,
                         CorrelationMethod method)
    : TransformBase(std::move(inputs), std::move(outputs)),
      x_(window),
      y_(window),
      window_(window),
      kernel_(method, method == CorrelationMethod::Pearson ? window : 0),
      x_copy_(method == CorrelationMethod::Pearson ? window : 0),
      y_copy_(method == CorrelationMethod::Pearson ? window : 0) {
  if (method != CorrelationMethod::Pearson) ranked_.emplace(method, window);
}

void Correlation::reset() {
  x_.clear();
  y_.clear();
  if (ranked_) ranked_->clear();
}

void Correlation::rebuild_from_window() {
  if (!ranked_) return;
  ranked_->clear();
  for (std::size_t i = 0; i < x_.size(); ++i) ranked_->push(x_[i], y_[i]);
}

OutputRow Correlation::update(std::span<const Value> values) {
  if (values.size() < 2) return {kMissing};
  // The rings advance together, so both always hold the same bars.
  x_.push(values[0]);
  y_.push(values[1]);
  if (ranked_) {
    ranked_->push(values[0], values[1]);
    return {ranked_->correlation()};
  }
  if (!x_.full()) return {kMissing};
  if (!copy_present(x_, 0, window_, x_copy_.data()) ||
      !copy_present(y_, 0, window_, y_copy_.data())) {
    return {kMissing};
  }
  return {kernel_(x_copy_.first(window_), y_copy_.first(window_))};
}

}  // namespace zerak
