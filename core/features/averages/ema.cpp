#include "ema.hpp"

#include <algorithm>
#include <utility>

#include "window/window_sums.hpp"

namespace zerak {

Ema::Ema(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      seed_(window),
      alpha_(2.0 / (static_cast<double>(window) + 1.0)),
      one_minus_alpha_(1.0 - alpha_) {}

void Ema::reset() {
  current_.reset();
  seed_.clear();
}

OutputRow Ema::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  return {step(values[0])};
}

Value Ema::step(Value x) {
  if (current_) {
    if (x) {
      current_ = one_minus_alpha_ * *current_ + alpha_ * *x;
      return current_;
    }
    reset();
    return kMissing;
  }
  seed_.push(x);
  if (!seed_.full()) return kMissing;
  const Value sum = sum_oldest_first(seed_);
  if (!sum) return kMissing;  // the gap stays in the seed ring until pushed out
  current_ = *sum / static_cast<double>(window_);
  seed_.clear();
  return current_;
}

void Ema::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  if (inputs.empty() || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* in = inputs[0];
  Value* out = outputs[0];
  const double a = alpha_;
  const double b = one_minus_alpha_;
  std::size_t i = 0;
  while (i < bars) {
    if (current_) {
      double average = *current_;
      for (; i < bars && in[i]; ++i) {
        average = b * average + a * *in[i];  // step's expression
        out[i] = average;
      }
      current_ = average;
      if (i == bars) break;
    }
    out[i] = step(in[i]);
    ++i;
  }
  for (std::size_t k = 1; k < outputs.size(); ++k) std::fill_n(outputs[k], bars, kMissing);
}

}  // namespace zerak
