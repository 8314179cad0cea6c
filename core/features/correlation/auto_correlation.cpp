#include "auto_correlation.hpp"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "block/pearson_block.hpp"

namespace zerak {
namespace {

std::size_t span_of(std::size_t window, std::size_t lag) {
  if (lag > std::numeric_limits<std::size_t>::max() - window) {
    throw std::length_error("AutoCorrelation: window + lag exceeds the address space");
  }
  return window + lag;
}

}  // namespace

Result<AutoCorrelation> AutoCorrelation::create(Names inputs, std::size_t window, Names outputs,
                                                std::size_t lag, CorrelationMethod method) {
  if (inputs.size() != 1) return invalid_input("inputs must contain exactly 1 column name");
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (outputs.size() != 1) return invalid_input(msg::kOutputsExactly1);
  if (lag == 0) return invalid_input("lag must be >= 1");
  return AutoCorrelation(std::move(inputs), window, std::move(outputs), lag, method);
}

AutoCorrelation::AutoCorrelation(Names inputs, std::size_t window, Names outputs, std::size_t lag,
                                 CorrelationMethod method)
    : TransformBase(std::move(inputs), std::move(outputs)),
      buffer_(span_of(window, lag)),
      window_(window),
      lag_(lag),
      kernel_(method, method == CorrelationMethod::Pearson ? window : 0),
      copy_(method == CorrelationMethod::Pearson ? window + lag : 0) {
  if (method != CorrelationMethod::Pearson) ranked_.emplace(method, window);
}

void AutoCorrelation::reset() {
  buffer_.clear();
  if (ranked_) ranked_->clear();
}

void AutoCorrelation::rebuild_from_window() {
  if (!ranked_) return;
  ranked_->clear();
  for (std::size_t i = lag_; i < buffer_.size(); ++i) ranked_->push(buffer_[i], buffer_[i - lag_]);
}

OutputRow AutoCorrelation::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  buffer_.push(values[0]);
  if (ranked_) {
    if (buffer_.size() > lag_) ranked_->push(buffer_.newest(), buffer_[buffer_.size() - 1 - lag_]);
    return {ranked_->correlation()};
  }
  if (!buffer_.full()) return {kMissing};
  // x is the newest `window` bars, y the same span `lag` bars earlier. With a
  // lag beyond the window the two do not meet, and the bars between them
  // belong to neither: a missing value there blanks nothing.
  double* out = copy_.data();
  const bool present = lag_ < window_ ? copy_present(buffer_, 0, window_ + lag_, out)
                                      : copy_present(buffer_, 0, window_, out) &&
                                            copy_present(buffer_, lag_, window_, out);
  if (!present) return {kMissing};
  return {
      kernel_(std::span<const double>(out + lag_, window_), std::span<const double>(out, window_))};
}

void AutoCorrelation::update_block(std::span<const Value* const> inputs,
                                   std::span<Value* const> outputs, std::size_t bars) {
  if (ranked_ || inputs.empty() || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* in = inputs[0];
  const std::size_t held = buffer_.size();
  BlockSeries s;
  s.assign(
      held, [this](std::size_t i) { return buffer_[i]; }, bars,
      [in](std::size_t i) { return in[i]; });
  // x is the newest `window` bars, y the same span `lag` bars earlier; with
  // a lag beyond the window the bars between them are not read.
  const Lanes lanes = lanes_of(held, window_ + lag_, window_, bars);
  Value* out = outputs[0];
  buffer_.push_many(in, bars);  // the block reads s from here on
  for (std::size_t i = 0; i < bars && i < lanes.first; ++i) out[i] = kMissing;
  if (lanes.count != 0) {
    const std::size_t y_start = lanes.start - lag_;
    std::vector<std::uint8_t> complete(lanes.count);
    for (std::size_t j = 0; j < lanes.count; ++j) {
      const std::size_t x = lanes.start + j;
      const std::size_t y = y_start + j;
      // With a lag below the window, x and y overlap: one stretch of bars.
      complete[j] = lag_ < window_
                        ? s.missing(y, x + window_) == 0
                        : s.missing(x, x + window_) == 0 && s.missing(y, y + window_) == 0;
    }
    pearson_lanes(s, lanes.start, s, y_start, window_, lanes.count, complete.data(),
                  out + lanes.first);
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
