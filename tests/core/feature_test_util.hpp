#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "traits.hpp"

namespace zerak::testing {

// Feeds one column, bar by bar, and collects output value `out` of each row.
inline std::vector<Value> feed(StreamingTransform& t, const std::vector<Value>& xs,
                               std::size_t out = 0) {
  std::vector<Value> got;
  for (const Value& x : xs) got.push_back(t.update(std::span(&x, 1))[out]);
  return got;
}

// Feeds rows of several columns.
inline std::vector<OutputRow> feed_rows(StreamingTransform& t,
                                        const std::vector<std::vector<Value>>& rows) {
  std::vector<OutputRow> got;
  for (const auto& row : rows) got.push_back(t.update(row));
  return got;
}

inline std::vector<Value> column(std::initializer_list<double> xs) {
  return std::vector<Value>(xs.begin(), xs.end());
}

// Random walk with missing gaps and constant stretches.
inline std::vector<Value> rough_series(std::size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> step(0.0, 1.0);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<Value> xs;
  double x = 100.0;
  while (xs.size() < n) {
    const double r = u(gen);
    if (r < 0.03) {
      xs.push_back(kMissing);
    } else if (r > 0.95) {  // a flat stretch, longer than the short windows
      for (int j = 0; j < 6; ++j) xs.push_back(x);
    } else {
      x += step(gen);
      xs.push_back(x);
    }
  }
  xs.resize(n);
  return xs;
}

// Bit-level equality of two optional values (NaN equals NaN, -0.0 differs from 0.0).
inline bool same(const Value& a, const Value& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  if (std::isnan(*a) && std::isnan(*b)) return true;
  return std::signbit(*a) == std::signbit(*b) && *a == *b;
}

}  // namespace zerak::testing
