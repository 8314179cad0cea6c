#pragma once

// Per-bar arithmetic shared by the volume indicators, in the operation order
// of the common indicator library so that results match it bit for bit.
namespace zerak::volume_steps {

// (H + L + C) / 3, summed high, low, close.
[[nodiscard]] inline double typical_price(double high, double low, double close) noexcept {
  return (high + low + close) / 3.0;
}

// The money-flow volume of a bar: where the close sits in its range, from -1
// at the low to +1 at the high, times the volume. A bar without a positive
// range (high <= low, or NaN) contributes 0.
[[nodiscard]] inline double money_flow_volume(double high, double low, double close,
                                              double volume) noexcept {
  const double range = high - low;
  if (!(range > 0.0)) return 0.0;
  return (((close - low) - (high - close)) / range) * volume;
}

}  // namespace zerak::volume_steps
