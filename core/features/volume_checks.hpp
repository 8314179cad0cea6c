#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "../error.hpp"
#include "window_feature.hpp"

namespace zerak {

// The first of `checks` that a configuration fails, as a configuration error
// (WindowFeature::create's checks, refused the way newer classes refuse them).
inline std::optional<ZerakError> window_config_error(std::span<const WindowCheck> checks,
                                                     std::size_t inputs, std::size_t window,
                                                     std::size_t outputs) {
  for (const WindowCheck& check : checks) {
    if (!check.passes(inputs, window, outputs)) {
      return ZerakError::invalid_config(std::string(check.message));
    }
  }
  return std::nullopt;
}

}  // namespace zerak
