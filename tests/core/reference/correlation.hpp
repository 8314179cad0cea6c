#pragma once

#include <optional>
#include <span>
#include <vector>

#include "value.hpp"

// The correlation estimators over series that may hold missing values, for
// comparing the rolling features with a recount of each window.
namespace zerak::reference {

// Each gives missing when the lengths differ, when fewer than 2 points are
// given, when any element of either series is missing, or when one series is
// constant. Results are not clamped into [-1, 1].
[[nodiscard]] Value pearson_correlation(std::span<const Value> x, std::span<const Value> y);
[[nodiscard]] Value spearman_correlation(std::span<const Value> x, std::span<const Value> y);
// Kendall tau-b.
[[nodiscard]] Value kendall_correlation(std::span<const Value> x, std::span<const Value> y);

// The 1-based average rank of each value, in input order; nothing when a
// value is missing.
[[nodiscard]] std::optional<std::vector<double>> rank(std::span<const Value> values);

}  // namespace zerak::reference
