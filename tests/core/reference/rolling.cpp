#include "rolling.hpp"

#include <cmath>

namespace zerak::reference {

Value sample_std(std::span<const Value> window) noexcept {
  if (window.size() < 2) return kMissing;
  double sum = 0.0;
  for (const Value& v : window) {
    if (!v) return kMissing;
    sum += *v;
  }
  const double w = static_cast<double>(window.size());
  const double mean = sum / w;
  double ss = 0.0;
  for (const Value& v : window) {
    const double d = *v - mean;
    ss += d * d;
  }
  return std::sqrt(ss / (w - 1.0));
}

}  // namespace zerak::reference
