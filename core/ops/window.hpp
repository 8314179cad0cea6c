#pragma once

#include <cstddef>
#include <limits>
#include <stdexcept>

#include "../ring.hpp"
#include "../value.hpp"

namespace zerak {

// Ring capacity for a window plus `extra` look-back entries. A sum that would
// wrap around is as impossible to allocate as any other oversized ring, so it
// throws the same way (MemoryError at the binding) instead of yielding a tiny ring.
inline std::size_t ring_capacity(std::size_t window, std::size_t extra) {
  if (window > std::numeric_limits<std::size_t>::max() - extra) {
    throw std::length_error("window too large for a ring buffer");
  }
  return window + extra;
}

// 0.0 + v[0] + v[1] + ... oldest first, or missing as soon as an entry is missing.
inline Value sum_oldest_first(const Ring& ring) noexcept {
  double sum = 0.0;
  for (const Value& v : ring.first()) {
    if (!v) return kMissing;
    sum += *v;
  }
  for (const Value& v : ring.second()) {
    if (!v) return kMissing;
    sum += *v;
  }
  return sum;
}

}  // namespace zerak
