#pragma once

#include <cstddef>
#include <vector>

#include "../value.hpp"
#include "block_series.hpp"
#include "simd/dispatch.hpp"

namespace zerak {

// For the run's bars over `s` (held entries, then `bars` new ones): the sum of
// each complete window of w entries, 0.0 + oldest + ... + newest, then
// out[i] = finish(sum) where the window has no missing entry, else missing.
template <class Finish>
void window_sum_block(const BlockSeries& s, std::size_t held, std::size_t w, std::size_t bars,
                      Value* out, Finish&& finish) {
  const Lanes lanes = lanes_of(held, w, w, bars);
  for (std::size_t i = 0; i < bars && i < lanes.first; ++i) out[i] = kMissing;
  if (lanes.count == 0) return;
  std::vector<double> sums(lanes.count);
  simd::kernels().sums(s.data() + lanes.start, w, lanes.count, sums.data());
  for (std::size_t j = 0; j < lanes.count; ++j) {
    const std::size_t b = lanes.start + j;
    out[lanes.first + j] = s.missing(b, b + w) != 0 ? kMissing : finish(sums[j]);
  }
}

}  // namespace zerak
