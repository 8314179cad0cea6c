#include "cci.hpp"

#include <cmath>
#include <utility>

#include "block/block_series.hpp"
#include "features/column_block.hpp"
#include "ops/range_smoothing.hpp"

namespace zerak {

Cci::Cci(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)), prices_(window), phase_(0.0) {}

void Cci::reset() {
  prices_.clear();
  phase_ = 0.0;
}

const char* Cci::restored_problem() const noexcept {
  if (!phase_) return "no phase";
  const double p = *phase_;
  if (!(p >= 0.0 && p < static_cast<double>(window_) && p == std::floor(p))) {
    return "an impossible phase";
  }
  if (!prices_.full() && p != static_cast<double>(prices_.size())) {
    return "a phase that disagrees with the prices held";
  }
  return nullptr;
}

Value Cci::step(const Value& high, const Value& low, const Value& close) noexcept {
  const bool usable = range::usable(high) && range::usable(low) && range::usable(close);
  const double last = usable ? (*high + *low + *close) / 3.0 : 0.0;
  prices_.push(usable ? Value(last) : kMissing);
  const std::size_t w = window_;
  // After the push, the bar in slot 0 sits at this position from the oldest.
  const auto phase = static_cast<std::size_t>(*phase_) + 1;
  const std::size_t pushed = phase == w ? 0 : phase;
  phase_ = static_cast<double>(pushed);
  if (!usable || !prices_.full()) return kMissing;
  const std::size_t start = pushed == 0 ? 0 : w - pushed;

  double mean = 0.0;
  for (std::size_t k = 0, i = start; k < w; ++k, i = i + 1 == w ? 0 : i + 1) {
    const Value& v = prices_[i];
    if (!v) return kMissing;
    mean += *v;
  }
  mean /= static_cast<double>(w);
  double deviation = 0.0;
  for (std::size_t k = 0, i = start; k < w; ++k, i = i + 1 == w ? 0 : i + 1) {
    deviation += std::fabs(*prices_[i] - mean);
  }
  // A distance or a mean deviation within rounding of the mean's size is
  // none (a flat window's mean can round away from its prices): 0, as the
  // indicator library gives.
  const double tolerance = std::fabs(mean) * 1e-14;
  const double distance = last - mean;
  if (tolerance >= std::fabs(distance)) return 0.0;
  const double mean_deviation = deviation / static_cast<double>(w);
  if (tolerance >= std::fabs(mean_deviation)) return 0.0;
  const double scale = 0.015 * mean_deviation;
  if (scale == 0.0) return 0.0;
  return distance / scale;
}

OutputRow Cci::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing};
  return {step(values[0], values[1], values[2])};
}

void Cci::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  column_block<3>(*this, inputs, outputs, bars,
                  [&](const Value* h, const Value* l, const Value* c, Value* out) {
                    for (std::size_t i = 0; i < bars; ++i) out[i] = step(h[i], l[i], c[i]);
                  });
}

}  // namespace zerak
