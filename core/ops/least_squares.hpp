#pragma once

#include "value.hpp"

namespace zerak::ops {

// Ordinary least squares of y on x from the centred sums of a window: the
// slope and R², written where the caller keeps them (a live row, or the
// output columns of a block, without a copy in between). No line when x does
// not vary (sxx == 0); no R² when y does not (syy == 0).
inline void least_squares(double sxx, double sxy, double syy, Value& slope, Value& r2) noexcept {
  if (sxx == 0.0) {
    slope = kMissing;
    r2 = kMissing;
    return;
  }
  slope = sxy / sxx;
  r2 = syy != 0.0 ? Value((sxy * sxy) / (syy * sxx)) : kMissing;
}

}  // namespace zerak::ops
