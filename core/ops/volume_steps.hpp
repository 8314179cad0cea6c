#pragma once

// Per-bar arithmetic shared by the volume indicators, in the operation order
// of the common indicator library so that results match it bit for bit.
#include <cmath>
#include <cstddef>

namespace zerak::volume_steps {

// (H + L + C) / 3, summed high, low, close.
[[nodiscard]] inline double typical_price(double high, double low, double close) noexcept {
  return (high + low + close) / 3.0;
}

// The order of two bars' typical prices decided on the exact sums H + L + C
// (1 when the first is higher, -1 lower, 0 equal), not on the rounded
// quotients, which can make equal sums differ by an ulp. The six terms are
// added into a nonoverlapping expansion (error-free two-sums), whose largest
// nonzero component has the sign of the exact total. Sums past the double
// range fall back to the rounded typical prices.
[[nodiscard]] inline int typical_order(double h, double l, double c, double h0, double l0,
                                       double c0) noexcept {
  // Each rounded typical price is within about 2^-53 * (|H| + |L| + |C|) of
  // its exact value (plus subnormal steps): a change far beyond that has the
  // exact sums' sign.
  const double change = typical_price(h, l, c) - typical_price(h0, l0, c0);
  const double margin = 0x1p-50 * ((std::fabs(h) + std::fabs(l) + std::fabs(c)) +
                                   (std::fabs(h0) + std::fabs(l0) + std::fabs(c0))) +
                        0x1p-1000;
  if (std::fabs(change) > margin) return change > 0.0 ? 1 : -1;  // NaN falls through
  const double terms[6] = {h, l, c, -h0, -l0, -c0};
  double e[6];
  std::size_t m = 0;
  bool finite = true;
  for (const double b : terms) {
    double q = b;
    for (std::size_t i = 0; i < m; ++i) {
      const double s = q + e[i];
      const double bb = s - q;
      e[i] = (q - (s - bb)) + (e[i] - bb);
      q = s;
    }
    e[m++] = q;
    finite = finite && q - q == 0.0;
  }
  if (!finite) return (change > 0.0) - (change < 0.0);
  for (std::size_t i = m; i-- > 0;) {
    if (e[i] != 0.0) return e[i] > 0.0 ? 1 : -1;
  }
  return 0;
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
