#pragma once

#include <cmath>
#include <cstddef>
#include <optional>

#include "../ring.hpp"
#include "../value.hpp"

namespace zerak::window_sums {

// Sum of a window's entries from oldest to newest, starting from 0.0; missing
// as soon as one entry is missing.
inline Value present_sum(const Ring& ring) noexcept {
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

// Missing when the window is not full, holds a missing entry, or its sample
// variance is exactly 0 (nothing to standardise by).
inline std::optional<Standardizer> standardizer(const Ring& ring) noexcept {
  if (!ring.full()) return std::nullopt;
  const Value sum = present_sum(ring);
  if (!sum) return std::nullopt;
  const std::size_t n = ring.capacity();
  const double mean = *sum / static_cast<double>(n);
  const double variance = sum_of(ring, [mean](double x) {
                            const double d = x - mean;
                            return d * d;
                          }) /
                          static_cast<double>(n - 1);
  if (variance == 0.0) return std::nullopt;
  return Standardizer{mean, std::sqrt(variance)};
}

}  // namespace zerak::window_sums
