#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "../value.hpp"

namespace zerak::tools {

// The series moved by n bars: n > 0 delays (out[i] = series[i - n]), n < 0
// looks ahead (out[i] = series[i + |n|]). Positions without a source are
// missing; the result has the length of the series.
std::vector<Value> shift(std::span<const Value> series, std::int64_t n);

// shift(series, -ahead) done in place on a series the caller gives up, for an
// unsigned distance that may exceed any signed offset.
std::vector<Value> shift_ahead(std::vector<Value> series, std::size_t ahead);

}  // namespace zerak::tools
