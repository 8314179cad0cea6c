#pragma once

#include <span>

#include "../value.hpp"

namespace zerak {

// Median of the values, missing if there are none or any is missing. Values
// are ordered by the IEEE total order (-0 before +0, NaNs by sign and payload).
[[nodiscard]] Value median(std::span<const Value> values);

// Median of a non-empty set of present values under the same order; reorders
// `values` (callers pass their own scratch copy).
[[nodiscard]] double median_in_place(std::span<double> values) noexcept;

}  // namespace zerak
