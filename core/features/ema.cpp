#include "ema.hpp"

#include <utility>

#include "../window/window_sums.hpp"

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
  const Value& x = values[0];
  if (current_) {
    if (x) {
      current_ = one_minus_alpha_ * *current_ + alpha_ * *x;
      return {current_};
    }
    reset();
    return {kMissing};
  }
  seed_.push(x);
  if (!seed_.full()) return {kMissing};
  const Value sum = sum_oldest_first(seed_);
  if (!sum) return {kMissing};  // the gap stays in the seed ring until pushed out
  current_ = *sum / static_cast<double>(window_);
  seed_.clear();
  return {current_};
}

}  // namespace zerak
