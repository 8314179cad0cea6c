#pragma once

#include <optional>

namespace zerak {

// A bar value: present (any double, NaN included) or missing. Only the Python
// edge maps NaN to missing; inside the core a present NaN stays distinct.
using Value = std::optional<double>;

inline constexpr Value kMissing = std::nullopt;

}  // namespace zerak
