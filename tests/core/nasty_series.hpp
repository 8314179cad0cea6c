#pragma once

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "value.hpp"

namespace zerak::testing {

// A long series of everything that trips window arithmetic: gaps, constant
// stretches, ties, present NaNs (if asked), infinities, signed zeros,
// subnormals and values near the overflow threshold, between random values.
// The special values come about once every 1 / (0.07 * rare) bars: a long
// window needs them rare enough that many windows are complete.
inline std::vector<Value> nasty_series(std::size_t n, std::uint64_t seed, double rare = 1.0,
                                       bool with_nan = true) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<Value> xs;
  xs.reserve(n + 32);
  constexpr double kInf = std::numeric_limits<double>::infinity();
  while (xs.size() < n) {
    double r = u(gen);
    if (r < 0.07 && u(gen) > rare) r = 0.5;  // a plain value instead
    if (r < 0.02) {
      xs.push_back(kMissing);
    } else if (r < 0.03 && with_nan) {
      xs.push_back(std::numeric_limits<double>::quiet_NaN());
    } else if (r < 0.04) {
      xs.push_back(r < 0.035 ? kInf : -kInf);
    } else if (r < 0.05) {
      xs.push_back((r < 0.045 ? 1.0 : -1.0) * std::numeric_limits<double>::denorm_min() *
                   static_cast<double>(gen() % 1000));
    } else if (r < 0.06) {
      xs.push_back((r < 0.055 ? 1.0 : -1.0) * 1.5e308);
    } else if (r < 0.07) {
      xs.push_back(r < 0.065 ? 0.0 : -0.0);
    } else if (r < 0.09 && !xs.empty()) {  // a flat stretch
      const Value last = xs.back();
      for (std::uint64_t k = gen() % 40; k > 0; --k) xs.push_back(last);
    } else if (r < 0.35) {
      xs.push_back(static_cast<double>(gen() % 8));  // ties
    } else {
      xs.push_back(100.0 * normal(gen));
    }
  }
  xs.resize(n);
  return xs;
}

// Equal bit patterns (or both missing), except that any NaN equals any NaN:
// which NaN an operation on two NaNs returns is left to the hardware, and the
// compiler may swap the operands of + and *, so no path fixes it.
inline bool bits_equal(const Value& a, const Value& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a || (*a != *a && *b != *b)) return true;
  return std::bit_cast<std::uint64_t>(*a) == std::bit_cast<std::uint64_t>(*b);
}

}  // namespace zerak::testing
