#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "value.hpp"

// Whole-series statistics written plainly, window by window.
namespace zerak::reference {

// out[i] = statistic(the `window` values ending at i, oldest first), missing
// while fewer than `window` values have been seen.
template <class Statistic>
std::vector<Value> rolling(std::span<const Value> series, std::size_t window,
                           Statistic&& statistic) {
  std::vector<Value> out(series.size(), kMissing);
  for (std::size_t i = 0; i < series.size(); ++i) {
    if (i + 1 >= window) out[i] = statistic(series.subspan(i + 1 - window, window));
  }
  return out;
}

// Sample standard deviation (denominator w - 1); missing for fewer than two
// values or any missing value. Sums run oldest first.
Value sample_std(std::span<const Value> window) noexcept;

}  // namespace zerak::reference
