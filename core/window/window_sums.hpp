#pragma once

#include <cmath>
#include <cstddef>
#include <optional>

#include "../value.hpp"
#include "ring.hpp"

namespace zerak {

// 0.0 + v[0] + v[1] + ... oldest first, or missing as soon as an entry is missing.
inline Value sum_oldest_first(const Ring& ring) noexcept {
  double sum = 0.0;
  for (const Value& v : ring.first()) {
    if (!v) return kMissing;
    sum += *v;
  }
  for (const Value& v : ring.second()) {
    if (!v) return kMissing;
    sum += *v;
  }
  return sum;
}

}  // namespace zerak

namespace zerak::window_sums {

// Sum of f(x) over a window known to hold only present entries, oldest first,
// starting from 0.0.
template <class F>
double sum_of(const Ring& ring, F&& f) noexcept {
  double sum = 0.0;
  for (const Value& v : ring.first()) sum += f(*v);
  for (const Value& v : ring.second()) sum += f(*v);
  return sum;
}

// Mean and sample standard deviation (divisor n - 1) of a full window.
struct Standardizer {
  double mean;
  double sd;
};

// Missing when the window is not full, holds a missing entry, or is constant.
// A constant window is caught by comparing its values, not only by a sample
// variance of exactly 0: the mean of identical values such as 0.1 can round
// away from them, leaving a variance of ~1e-34 that would standardise the
// rounding error into an arbitrary skewness or kurtosis.
inline std::optional<Standardizer> standardizer(const Ring& ring) noexcept {
  if (!ring.full()) return std::nullopt;
  double sum = 0.0;
  bool constant = true;
  const double first = ring.oldest().value_or(0.0);
  for (const auto part : {ring.first(), ring.second()}) {
    for (const Value& v : part) {
      if (!v) return std::nullopt;
      sum += *v;
      constant = constant && *v == first;
    }
  }
  if (constant) return std::nullopt;
  const std::size_t n = ring.capacity();
  const double mean = sum / static_cast<double>(n);
  const double variance = sum_of(ring, [mean](double x) {
                            const double d = x - mean;
                            return d * d;
                          }) /
                          static_cast<double>(n - 1);
  if (variance == 0.0) return std::nullopt;
  return Standardizer{mean, std::sqrt(variance)};
}

}  // namespace zerak::window_sums
