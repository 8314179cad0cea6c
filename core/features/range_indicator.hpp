#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "../error.hpp"
#include "window_feature.hpp"

// What the indicators of high, low and close share beside their arithmetic
// (core/ops/range_smoothing.hpp): their messages and their checks, which
// refuse a configuration as a configuration error.
namespace zerak::range {

inline constexpr std::string_view kHighLowClose =
    "inputs must contain high, low and close columns";

inline ZerakError invalid_config(std::string_view sentence) {
  return ZerakError::invalid_config(std::string(sentence));
}

// The first of `checks` the configuration fails, as a configuration error.
inline std::optional<ZerakError> failed_check(std::span<const WindowCheck> checks,
                                              std::size_t inputs, std::size_t window,
                                              std::size_t outputs) {
  for (const WindowCheck& check : checks) {
    if (!check.passes(inputs, window, outputs)) return invalid_config(check.message);
  }
  return std::nullopt;
}

}  // namespace zerak::range
