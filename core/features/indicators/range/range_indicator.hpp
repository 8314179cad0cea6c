#pragma once

#include <string_view>

// What the indicators of high, low and close share beside their arithmetic
// (core/ops/range_smoothing.hpp).
namespace zerak::range {

inline constexpr std::string_view kHighLowClose = "inputs must contain high, low and close columns";

}  // namespace zerak::range
