#pragma once

#include <cstddef>
#include <vector>

#include "simd/dispatch.hpp"
#include "../value.hpp"
#include "block_series.hpp"

namespace zerak {

// For the run's bars over `s` (held entries, then `bars` new ones): the sum of
// each complete window of w entries, 0.0 + oldest + ... + newest, then
// out[i] = finish(sum, i) where the window has no missing entry, else missing.
template <class Finish>
void window_sum_block(const BlockSeries& s, std::size_t held, std::size_t w, std::size_t bars,
                      Value* out, Finish&& finish) {
  const std::size_t first = first_complete(held, w);
  for (std::size_t i = 0; i < bars && i < first; ++i) out[i] = kMissing;
  if (first >= bars) return;
  const std::size_t count = bars - first;
  const std::size_t start = held + first + 1 - w;  // window start of the first complete bar
  std::vector<double> sums(count);
  simd::kernels().sums(s.data() + start, w, count, sums.data());
  for (std::size_t j = 0; j < count; ++j) {
    out[first + j] = s.missing(start + j, start + j + w) != 0 ? kMissing : finish(sums[j], first + j);
  }
}

}  // namespace zerak
