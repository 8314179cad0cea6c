#include "rolling_zscore.hpp"

#include <cmath>
#include <utility>

#include "../ops/window.hpp"

namespace zerak {

Result<RollingZScore> RollingZScore::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.size() != 1) return invalid_input(msg::kInputsExactly1);
  if (window < 2) return invalid_input("window must be >= 2 (need at least 2 values for std)");
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  return RollingZScore(std::move(inputs), window, std::move(outputs));
}

RollingZScore::RollingZScore(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), ring_(window), window_(window) {}

OutputRow RollingZScore::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  const Value x = values[0];
  ring_.push(x);
  if (!ring_.full()) return {kMissing};
  const Value sum = sum_oldest_first(ring_);
  if (!sum || !x) return {kMissing};
  const double n = static_cast<double>(window_);
  const double mean = *sum / n;
  const double first = *ring_.oldest();
  bool constant = true;
  double squares = 0.0;
  ring_.for_each([&](const Value& v) {
    const double d = *v - mean;
    squares += d * d;
    constant &= *v == first;
  });
  const double variance = squares / (n - 1.0);
  // Equal values have no scale. Rounding in the mean can leave them a tiny
  // positive variance (three times 0.1 would score -0.816), so they are
  // tested directly. The comparison also rejects a NaN variance.
  if (constant || !(variance > 0.0)) return {kMissing};
  return {(*x - mean) / std::sqrt(variance)};
}

}  // namespace zerak
