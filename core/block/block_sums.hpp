#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "../value.hpp"
#include "../window/ring.hpp"
#include "block_series.hpp"
#include "simd/dispatch.hpp"

namespace zerak {

// The block of a feature whose output is finish(sum) of its window of terms,
// which update takes from sum_oldest_first of its ring: term(i) is bar i's
// term (missing or not), each complete window is summed 0.0 + oldest + ...
// + newest in a lane and gives missing while it holds a missing term, the
// ring of terms advances bar by bar as update leaves it, and further output
// columns are missing. `entries`, when given, holds the terms (an input
// column), which the ring then takes as they are; otherwise it takes them
// back from the series.
template <class Term, class Finish>
void window_sum_block(Ring& ring, Term&& term, Finish&& finish, std::span<Value* const> outputs,
                      std::size_t bars, const Value* entries = nullptr) {
  const std::size_t held = ring.size();
  const std::size_t w = ring.capacity();
  BlockSeries s;
  s.assign(held, [&ring](std::size_t i) { return ring[i]; }, bars, term);
  const Lanes lanes = lanes_of(held, w, w, bars);
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars && i < lanes.first; ++i) out[i] = kMissing;
  if (lanes.count != 0) {
    std::vector<double> sums(lanes.count);
    simd::kernels().sums(s.data() + lanes.start, w, lanes.count, sums.data());
    for (std::size_t j = 0; j < lanes.count; ++j) {
      const std::size_t b = lanes.start + j;
      out[lanes.first + j] = s.missing(b, b + w) != 0 ? kMissing : finish(sums[j]);
    }
  }
  if (entries != nullptr) {
    for (std::size_t i = 0; i < bars; ++i) ring.push(entries[i]);
  } else {
    for (std::size_t i = 0; i < bars; ++i) ring.push(s.at(held + i));
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
