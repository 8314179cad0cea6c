#include "rolling.hpp"

#include <cmath>

namespace zerak::tools {
namespace {

// Windows computed side by side. Each keeps its own sums in its own order,
// so results are bit-identical to sample_std; the lanes only hide the
// latency of the serial additions.
constexpr std::size_t kLanes = 4;

}  // namespace

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

std::vector<Value> rolling_std(std::span<const Value> series, std::size_t window) {
  const std::size_t len = series.size();
  std::vector<Value> out(len, kMissing);
  if (window < 2 || window > len) return out;

  const Value* x = series.data();
  const double w = static_cast<double>(window);
  const std::size_t starts = len - window + 1;  // windows [s, s + window)
  // First missing position at or after the current start; it only moves
  // forwards, so windows blocked by a gap are skipped in O(len) overall.
  std::size_t gap = 0;
  const auto find_gap = [&](std::size_t from) {
    gap = from;
    while (gap < len && x[gap]) ++gap;
  };
  find_gap(0);

  std::size_t s = 0;
  while (s < starts) {
    if (gap < s) find_gap(s);
    if (s + kLanes <= starts && gap >= s + kLanes - 1 + window) {
      double sum[kLanes] = {};
      for (std::size_t j = 0; j < window; ++j) {
        for (std::size_t l = 0; l < kLanes; ++l) sum[l] += *x[s + l + j];
      }
      double mean[kLanes];
      for (std::size_t l = 0; l < kLanes; ++l) mean[l] = sum[l] / w;
      double ss[kLanes] = {};
      for (std::size_t j = 0; j < window; ++j) {
        for (std::size_t l = 0; l < kLanes; ++l) {
          const double d = *x[s + l + j] - mean[l];
          ss[l] += d * d;
        }
      }
      for (std::size_t l = 0; l < kLanes; ++l) out[s + l + window - 1] = std::sqrt(ss[l] / (w - 1.0));
      s += kLanes;
    } else {
      if (gap >= s + window) out[s + window - 1] = sample_std(series.subspan(s, window));
      ++s;
    }
  }
  return out;
}

}  // namespace zerak::tools
