#pragma once

#include <cstdint>

namespace zerak {

// The estimator a correlation runs over its windows.
enum class CorrelationMethod : std::uint8_t { Pearson = 0, Spearman = 1, Kendall = 2 };

}  // namespace zerak
