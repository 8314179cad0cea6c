#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "log.hpp"

namespace zerak::ops {

// Logarithms for a block of bars through the vector kernel, a chunk at a
// time on the stack: for bars i = 0 .. n-1 in order, `argument(i, a)` says
// whether bar i takes a logarithm (setting its argument a); then
// `finish(i, ln a)` for those bars, in order. Bars that take none are the
// caller's to fill in `argument`.
template <class Argument, class Finish>
inline void logs_of(std::size_t n, Argument&& argument, Finish&& finish) {
  constexpr std::size_t kChunk = 512;
  double xs[kChunk];
  std::uint32_t at[kChunk];
  for (std::size_t start = 0; start < n; start += kChunk) {
    const std::size_t end = std::min(n, start + kChunk);
    std::size_t m = 0;
    for (std::size_t i = start; i < end; ++i) {
      double a;
      if (argument(i, a)) {
        xs[m] = a;
        at[m++] = static_cast<std::uint32_t>(i - start);
      }
    }
    log_block(xs, m, xs);
    for (std::size_t j = 0; j < m; ++j) finish(start + at[j], xs[j]);
  }
}

}  // namespace zerak::ops
