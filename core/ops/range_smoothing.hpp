#pragma once

#include <cmath>

#include "value.hpp"

// The arithmetic the indicators of high, low and close share, written as the
// indicator library users compare us with writes it, operation for
// operation, so that clean data gives its bits.
namespace zerak::range {

// A price the indicators can use: present and finite. An infinity would
// stay in a Wilder average for ever, so it counts as a missing bar.
inline bool usable(const Value& v) noexcept { return v && std::isfinite(*v); }

// The indicator library's zero test of a sum of directional indicators.
inline bool near_zero(double v) noexcept { return -1e-14 < v && v < 1e-14; }

// The largest of high - low, |high - previous close| and |low - previous close|:
// each step keeps the range unless the new term is larger (NaN included),
// written as a select that compiles to maxsd (an if became a branch, which
// random prices mispredict).
inline double true_range(double high, double low, double prev_close) noexcept {
  double range = high - low;
  const double up = std::fabs(high - prev_close);
  range = range < up ? up : range;
  const double down = std::fabs(low - prev_close);
  range = range < down ? down : range;
  return range;
}

// Wilder's average: (previous * (n - 1) + x) / n.
inline double wilder_average(double prev, double x, double n, double n_minus_1) noexcept {
  return (prev * n_minus_1 + x) / n;
}

// Wilder's running sum: previous - previous / n, then + x.
inline double wilder_sum(double prev, double x, double n) noexcept { return prev - prev / n + x; }

// The exponential average step, as our Ema takes it.
inline double ema_step(double prev, double x, double alpha, double one_minus_alpha) noexcept {
  return one_minus_alpha * prev + alpha * x;
}

}  // namespace zerak::range
