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
  bool all_equal = true;
  const double* first = nullptr;
  for (const Value& v : data) {
    if (!v) continue;
    if (first == nullptr) first = &*v;
    all_equal = all_equal && *v == *first;
    const double d = *v - mean;
    squares += d * d;
  }
  const double variance = squares / static_cast<double>(n - 1);
  // Equal values are rejected even when rounding in the mean leaves a tiny
  // positive variance (three times 0.1); a NaN variance (infinite data) is
  // returned as is.
  if (all_equal || variance == 0.0) {
    return invalid_input("standard deviation is zero (all values are equal)");
  }
  return StandardScalerFit{mean, std::sqrt(variance)};
}

}  // namespace zerak
