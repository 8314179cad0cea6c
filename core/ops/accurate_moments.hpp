#pragma once

#include <cmath>
#include <cstddef>

#include "value.hpp"
#include "moments.hpp"
#include "steps.hpp"

// The opt-in accurate estimators of the standardized moments and Pearson's
// r: every window recomputed from deviations taken about its mean to about
// twice a double's precision, so that data far from zero (a level of 1e9
// moving by a few ulps) keep their full accuracy. `each(f)` calls f on every
// entry of a complete window of present values, oldest first; the live and
// the block paths both call these, so they agree bit for bit.
namespace zerak::ops::accurate {

// The mean as mean + correction: `mean` from a compensated sum, `correction`
// the mean of the deviations from it.
struct Centre {
  double mean;
  double correction;
};

template <class Each>
[[nodiscard]] Centre centre(double n, Each&& each) noexcept {
  double sum = 0.0;
  double comp = 0.0;
  each([&](double x) { steps::compensated_sum(sum, comp, x); });
  const double mean = window_mean(steps::compensated_total(sum, comp), n);
  double deviations = 0.0;
  each([&](double x) { deviations = deviations + (x - mean); });
  return {mean, deviations / n};
}

[[nodiscard]] inline double deviation(double x, const Centre& c) noexcept {
  return (x - c.mean) - c.correction;
}

// The sum of the standardized entries' third or fourth powers of a window
// that is not constant (as steps::cube and steps::fourth sum them), or
// missing when its variance is 0.
template <class Each>
[[nodiscard]] Value standardized_power_sum(std::size_t n, Power power, Each&& each) noexcept {
  const Centre c = centre(static_cast<double>(n), each);
  double squares = 0.0;
  each([&](double x) {
    const double d = deviation(x, c);
    squares = squares + d * d;
  });
  const auto st = standardizer(0.0, squares, n);
  if (!st) return kMissing;
  double sum = 0.0;
  each([&](double x) {
    const double z = deviation(x, c) / st->sd;
    sum = power == Power::Fourth ? steps::fourth(sum, z) : steps::cube(sum, z);
  });
  return sum;
}

// Pearson's centred sums of a window of pairs: `each(f)` calls f(x, y).
struct PairSums {
  double xx;
  double xy;
  double yy;
  double scale_x;  // the largest |deviation| of each series
  double scale_y;
};

template <class Each>
[[nodiscard]] PairSums pair_sums(double n, Each&& each) noexcept {
  const Centre cx = centre(n, [&](auto&& f) { each([&f](double x, double) { f(x); }); });
  const Centre cy = centre(n, [&](auto&& f) { each([&f](double, double y) { f(y); }); });
  steps::Products<double> p{0.0, 0.0, 0.0};
  double scale_x = 0.0;
  double scale_y = 0.0;
  each([&](double x, double y) {
    const double dx = deviation(x, cx);
    const double dy = deviation(y, cy);
    steps::products(p, dx, dy);
    scale_x = std::fmax(scale_x, std::fabs(dx));
    scale_y = std::fmax(scale_y, std::fabs(dy));
  });
  // Sums that left the normal range are summed again on deviations scaled
  // to at most 1.
  constexpr double kTiny = 0x1p-1022 / 0x1p-52;
  const double d = p.xx * p.yy;
  if ((p.xx < kTiny || p.yy < kTiny || d < kTiny || std::isinf(d)) && scale_x > 0.0 &&
      scale_y > 0.0) {
    p = {0.0, 0.0, 0.0};
    each([&](double x, double y) {
      steps::products(p, deviation(x, cx) / scale_x, deviation(y, cy) / scale_y);
    });
  }
  return {p.xx, p.xy, p.yy, scale_x, scale_y};
}

}  // namespace zerak::ops::accurate
