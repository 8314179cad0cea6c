#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "simd/counting.hpp"
#include "simd/dispatch.hpp"
#include "scratch.hpp"
#include "value.hpp"

// Association between two equally long series. Every estimator recomputes
// from the whole window it is given and keeps nothing between calls.
namespace zerak::ops {

// The estimators over present values, for callers that own their buffers
// (the rolling features): x and y must have the same length >= 2.
namespace dense {

struct RankEntry {
  double value;
  std::size_t index;
};

// Working storage for Spearman over up to `capacity` points, so that repeated
// calls allocate nothing.
class SpearmanScratch {
 public:
  explicit SpearmanScratch(std::size_t capacity)
      : entries_(capacity), merge_(capacity), rank_x_(capacity), rank_y_(capacity) {}

  [[nodiscard]] std::size_t capacity() const noexcept { return entries_.size(); }

 private:
  friend Value spearman(std::span<const double>, std::span<const double>,
                        SpearmanScratch&) noexcept;

  ScratchArray<RankEntry> entries_;
  ScratchArray<RankEntry> merge_;
  ScratchArray<double> rank_x_;
  ScratchArray<double> rank_y_;
};

[[nodiscard]] Value pearson(std::span<const double> x, std::span<const double> y) noexcept;
// Pearson's r from deviations about means carried to about twice a double's
// precision (ops/accurate_moments.hpp): accurate far from zero.
[[nodiscard]] Value accurate_pearson(std::span<const double> x, std::span<const double> y) noexcept;
// Whether Pearson's sums of squares (or their product) left the normal range,
// so that the deviations are summed again scaled to at most 1; otherwise the
// result is pearson_from_sums.
[[nodiscard]] bool pearson_needs_rescaling(double sxx, double syy) noexcept;
// Pearson's r from the centred sums of a window, held within [-1, 1]: the
// rounded sums can put a perfectly correlated window one ulp past it.
[[nodiscard]] inline double pearson_from_sums(double sxx, double sxy, double syy) noexcept {
  const double r = sxy / std::sqrt(sxx * syy);
  return r > 1.0 ? 1.0 : r < -1.0 ? -1.0 : r;  // NaN stays NaN
}
// Requires x.size() <= scratch.capacity().
[[nodiscard]] Value spearman(std::span<const double> x, std::span<const double> y,
                             SpearmanScratch& scratch) noexcept;
[[nodiscard]] Value kendall(std::span<const double> x, std::span<const double> y) noexcept;

// Writes the average rank of values[i] to ranks[i]. `entries` and `merge`
// hold at least values.size() elements each; `ranks` as well.
void average_ranks(std::span<const double> values, std::span<RankEntry> entries,
                   std::span<RankEntry> merge, std::span<double> ranks) noexcept;

// The rank and pair counts run in the dispatched kernels; rows shorter than
// this are counted inline at the baseline's width, by the same code, as a
// call through the kernel table costs more than they do.
constexpr std::size_t kCountedInline = 16;

// Kendall's pair counts. Only concordant pairs and ties are counted; the
// rest of the n(n-1)/2 pairs are discordant, which keeps the pair loop free
// of branches. A NaN difference is neither a tie nor concordant, so it
// counts as discordant unless the other difference is a tie; a pair with a
// NaN in both coordinates therefore adds to no count at all.
using PairCounts = simd::PairCounts;

// Adds the pairs of (xi, yi) with each (xs[j], ys[j]), j < m, classified by
// the differences xs[j] - xi and ys[j] - yi. Negating both differences
// classifies a pair the same way, and IEEE subtraction is exactly
// antisymmetric, so the order of the two points does not matter.
inline void count_row(const double* xs, const double* ys, std::size_t m, double xi, double yi,
                      PairCounts& counts) noexcept {
  if (m >= kCountedInline) return simd::kernels().count_pairs(xs, ys, m, xi, yi, counts);
  simd::baseline_counting::count_pairs(xs, ys, m, xi, yi, counts);
}

// Spearman's counts kept up to date as `in` enters a window of n values and
// `out` leaves it (a NaN when none does): see simd::Kernels::slide_ranks.
inline simd::RankCounts slide_ranks(const double* v, std::int64_t* less, std::int64_t* equal,
                                    std::size_t n, double in, double out) noexcept {
  if (n >= kCountedInline) return simd::kernels().slide_ranks(v, less, equal, n, in, out);
  return simd::baseline_counting::slide_ranks(v, less, equal, n, in, out);
}

// tau-b from the pair counts; missing when every pair is tied in x or every
// pair is tied in y. `total` is n(n-1)/2 and no count exceeds it.
[[nodiscard]] Value tau_b(std::int64_t concordant, std::int64_t discordant, std::int64_t ties_x,
                          std::int64_t ties_y, std::int64_t total) noexcept;

// n(n-1)/2 without forming n(n-1).
[[nodiscard]] constexpr std::uint64_t pair_count(std::uint64_t n) noexcept {
  return n % 2 == 0 ? (n / 2) * (n - 1) : n * ((n - 1) / 2);
}

}  // namespace dense
}  // namespace zerak::ops
