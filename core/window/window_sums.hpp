#pragma once

#include <cstddef>
#include <optional>

#include "ops/moments.hpp"
#include "ops/steps.hpp"
#include "value.hpp"
#include "ring.hpp"

// The live window passes: one window, oldest entry first, through the same
// steps as the block kernels' lanes.
namespace zerak {

// 0.0 + v[0] + v[1] + ... oldest first, or missing as soon as an entry is missing.
inline Value sum_oldest_first(const Ring& ring) noexcept {
  double sum = 0.0;
  for (const Value& v : ring.first()) {
    if (!v) return kMissing;
    sum = steps::sum(sum, *v);
  }
  for (const Value& v : ring.second()) {
    if (!v) return kMissing;
    sum = steps::sum(sum, *v);
  }
  return sum;
}

// The mean and centred sum of squares of a window.
struct WindowMoments {
  double mean;
  double squares;
};

// Whether every entry of a window of present values equals the oldest: on
// varying data this stops at the second.
inline bool all_equal(const Ring& ring) noexcept {
  const double first = *ring.oldest();
  for (const Value& v : ring.first()) {
    if (*v != first) return false;
  }
  for (const Value& v : ring.second()) {
    if (*v != first) return false;
  }
  return true;
}

// Nothing when the window is not full, holds a missing entry, or is constant.
// A constant window is caught by comparing its values, not by a sum of
// squares of 0 alone: the mean of identical values such as 0.1 can round
// away from them and leave ~1e-34, which would standardise rounding error.
inline std::optional<WindowMoments> window_moments(const Ring& ring) noexcept {
  if (!ring.full()) return std::nullopt;
  const Value sum = sum_oldest_first(ring);
  if (!sum || all_equal(ring)) return std::nullopt;
  const double mean = ops::window_mean(*sum, static_cast<double>(ring.capacity()));
  double squares = 0.0;
  ring.for_each([&](const Value& v) { squares = steps::centered_square(squares, *v, mean); });
  return WindowMoments{mean, squares};
}

// The sum of the standardized entries' third or fourth powers, or nothing
// where window_moments or the standardizer gives nothing.
inline std::optional<double> standardized_power_sum(const Ring& ring, ops::Power power) noexcept {
  const auto m = window_moments(ring);
  if (!m) return std::nullopt;
  const auto st = ops::standardizer(m->mean, m->squares, ring.capacity());
  if (!st) return std::nullopt;
  double sum = 0.0;
  ring.for_each([&](const Value& v) {
    const double z = steps::standardized(*v, st->mean, st->sd);
    sum = power == ops::Power::Fourth ? steps::fourth(sum, z) : steps::cube(sum, z);
  });
  return sum;
}

}  // namespace zerak
