#pragma once

#include <span>

#include "value.hpp"

// Plain statistics the tests hold the features to.
namespace zerak::reference {

// Median of the values, missing if there are none or any is missing. Values
// are ordered by the IEEE total order (-0 before +0, NaNs by sign and payload).
[[nodiscard]] Value median(std::span<const Value> values);

}  // namespace zerak::reference
