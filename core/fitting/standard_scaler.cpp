#include "standard_scaler.hpp"

#include <cmath>
#include <cstddef>

namespace zerak {

Result<StandardScalerFit> fit_standard_scaler(std::span<const Value> data) {
  std::size_t n = 0;
  double sum = 0.0;
  for (const Value& v : data) {
    if (!v) continue;
    sum += *v;
    ++n;
  }
  if (n == 0) return invalid_input("not enough valid values to compute mean");
  const double mean = sum / static_cast<double>(n);
  if (n == 1) return invalid_input("not enough valid values to compute std (need >= 2)");
  double squares = 0.0;
  for (const Value& v : data) {
    if (!v) continue;
    const double d = *v - mean;
    squares += d * d;
  }
  const double variance = squares / static_cast<double>(n - 1);
  // Only an exact zero fails; a NaN variance (infinite data) is returned as is.
  if (variance == 0.0) return invalid_input("standard deviation is zero (all values are equal)");
  return StandardScalerFit{mean, std::sqrt(variance)};
}

}  // namespace zerak
