#pragma once

#include "../value.hpp"

namespace zerak::ops {

// Ordinary least squares of y on x from the centred sums of a window.
struct Fit {
  Value slope;
  Value r2;
};

// No line when x does not vary (sxx == 0); no R² when y does not (syy == 0).
[[nodiscard]] inline Fit least_squares(double sxx, double sxy, double syy) noexcept {
  if (sxx == 0.0) return {kMissing, kMissing};
  return {sxy / sxx, syy != 0.0 ? Value((sxy * sxy) / (syy * sxx)) : kMissing};
}

}  // namespace zerak::ops
