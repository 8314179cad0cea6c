#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "../value.hpp"

namespace zerak::tools {

// out[i] = combine(a[i], b[i]) over the length of the shorter series.
template <class Combine>
std::vector<Value> pairwise(std::span<const Value> a, std::span<const Value> b,
                            Combine&& combine) {
  const std::size_t len = std::min(a.size(), b.size());
  std::vector<Value> out;
  out.reserve(len);
  for (std::size_t i = 0; i < len; ++i) out.push_back(combine(a[i], b[i]));
  return out;
}

// (b - a) / a; missing unless both are present and a > 0 (false for NaN).
Value simple_return(const Value& a, const Value& b) noexcept;
// ln(b / a); missing unless both are present and positive.
Value log_return(const Value& a, const Value& b) noexcept;

}  // namespace zerak::tools
