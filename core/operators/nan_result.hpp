#pragma once

#include <limits>

#include "value.hpp"

namespace zerak {

// For arithmetic whose NaN result is missing: a NaN input (a missing one
// included: its double is a NaN) and an input outside the domain both give
// NaN, so the arithmetic needs no branch of its own for them, and a block no
// test of its own for missing inputs. Outputs are stored in place: an
// optional returned by value through branches makes a trip through the stack
// on every bar.
inline constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

inline void store_unless_nan(Value& out, double r) noexcept {
  if (r == r) {
    out = r;
  } else {
    out.reset();
  }
}

inline Value nan_is_missing(double r) noexcept { return r == r ? Value(r) : kMissing; }

// The same over a column: one select without a branch, which vectorises.
inline double nan_is_missing_double(double r) noexcept { return r != r ? kMissingDouble : r; }

}  // namespace zerak
