#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "value.hpp"

namespace zerak::tools {

// Appends combine(a[i], b[i]) to `out` over the length of the shorter series.
template <class Combine>
void pairwise_into(std::vector<Value>& out, std::span<const Value> a, std::span<const Value> b,
                   Combine&& combine) {
  const std::size_t len = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < len; ++i) out.push_back(combine(a[i], b[i]));
}

// (b - a) / a; missing unless both are present and a > 0 (false for NaN).
Value simple_return(const Value& a, const Value& b) noexcept;
// ln(b / a); missing unless both are present and positive.
Value log_return(const Value& a, const Value& b) noexcept;

}  // namespace zerak::tools
