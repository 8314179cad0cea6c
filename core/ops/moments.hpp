#pragma once

#include <cmath>
#include <cstddef>
#include <optional>

// What a window's moments come to once its sums are known: the same
// functions finish a live window and every lane of a block.
namespace zerak::ops {

// The mean of n values from their sum, n given as a double: a block
// converts its window's length once, not on every lane.
[[nodiscard]] inline double window_mean(double sum, double n) noexcept { return sum / n; }

// A centred sum of products (or squares) about a rounded mean, corrected by
// the deviations' own sums: sum(dx * dy) - sum(dx) * sum(dy) / n is exact
// algebra for any mean, so the mean's rounding leaves no error of its own.
// A sum that overflowed stays infinite (the correction cannot undo it).
[[nodiscard]] inline double corrected_sum(double products, double dx, double dy,
                                          double n) noexcept {
  if (std::isinf(products)) return products;
  return products - dx * (dy / n);
}

// Mean and sample standard deviation (divisor n - 1) of a window.
struct Standardizer {
  double mean;
  double sd;
};

// From the mean and the centred sum of squares of n values; nothing when the
// variance is 0, which leaves nothing to standardise by.
[[nodiscard]] inline std::optional<Standardizer> standardizer(double mean, double squares,
                                                              std::size_t n) noexcept {
  const double variance = squares / static_cast<double>(n - 1);
  if (variance == 0.0) return std::nullopt;
  return Standardizer{mean, std::sqrt(variance)};
}

// Which standardized moment a window feature sums.
enum class Power { Third, Fourth };

}  // namespace zerak::ops
