#include "correlation.hpp"

#include <cstdint>
#include <utility>
#include <vector>

#include "block/pearson_block.hpp"

namespace zerak {

Result<Correlation> Correlation::create(Names inputs, std::size_t window, Names outputs,
                                        CorrelationMethod method, bool accurate) {
  if (inputs.size() < 2) return invalid_input("inputs must contain at least 2 column names");
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (outputs.size() != 1) return invalid_input(msg::kOutputsExactly1);
  return Correlation(std::move(inputs), window, std::move(outputs), method, accurate);
}

Correlation::Correlation(Names inputs, std::size_t window, Names outputs, CorrelationMethod method,
                         bool accurate)
    : TransformBase(std::move(inputs), std::move(outputs)),
      x_(window),
      y_(window),
      window_(window),
      kernel_(method, method == CorrelationMethod::Pearson ? window : 0),
      x_copy_(method == CorrelationMethod::Pearson ? window : 0),
      y_copy_(method == CorrelationMethod::Pearson ? window : 0),
      accurate_(accurate) {
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
  return {pearson_window(x_copy_.first(window_), y_copy_.first(window_))};
}

void Correlation::update_block(std::span<const Value* const> inputs,
                               std::span<Value* const> outputs, std::size_t bars) {
  if (ranked_ || inputs.size() < 2 || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const std::size_t held = x_.size();
  BlockSeries sx;
  BlockSeries sy;
  sx.assign(
      held, [this](std::size_t i) { return x_[i]; }, bars,
      [&inputs](std::size_t i) { return inputs[0][i]; });
  sy.assign(
      held, [this](std::size_t i) { return y_[i]; }, bars,
      [&inputs](std::size_t i) { return inputs[1][i]; });
  const Lanes lanes = lanes_of(held, window_, window_, bars);
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    x_.push(inputs[0][i]);
    y_.push(inputs[1][i]);
    if (i < lanes.first) out[i] = kMissing;
  }
  if (lanes.count != 0 && accurate_) {
    for (std::size_t j = 0; j < lanes.count; ++j) {
      const std::size_t b = lanes.start + j;
      const bool complete = sx.missing(b, b + window_) == 0 && sy.missing(b, b + window_) == 0;
      out[lanes.first + j] = complete
                                 ? pearson_window(std::span<const double>(sx.data() + b, window_),
                                                  std::span<const double>(sy.data() + b, window_))
                                 : kMissing;
    }
  } else if (lanes.count != 0) {
    std::vector<std::uint8_t> complete(lanes.count);
    for (std::size_t j = 0; j < lanes.count; ++j) {
      const std::size_t b = lanes.start + j;
      complete[j] = sx.missing(b, b + window_) == 0 && sy.missing(b, b + window_) == 0;
    }
    pearson_lanes(sx, lanes.start, sy, lanes.start, window_, lanes.count, complete.data(),
                  out + lanes.first);
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
