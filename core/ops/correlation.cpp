#include "correlation.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "simd/dispatch.hpp"
#include "accurate_moments.hpp"
#include "moments.hpp"
#include "steps.hpp"

namespace zerak::ops {
namespace dense {
namespace {

// Pearson's r from sums of deviations scaled to at most 1, for windows whose
// plain sums of squares left the normal range.
Value rescaled_pearson(std::span<const double> x, std::span<const double> y, double mean_x,
                       double mean_y) noexcept {
  double scale_x = 0.0;
  double scale_y = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    scale_x = std::max(scale_x, std::abs(x[i] - mean_x));
    scale_y = std::max(scale_y, std::abs(y[i] - mean_y));
  }
  if (scale_x == 0.0 || scale_y == 0.0) return kMissing;
  steps::Products<double> c{0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < x.size(); ++i) {
    steps::products(c, steps::standardized(x[i], mean_x, scale_x),
                    steps::standardized(y[i], mean_y, scale_y));
  }
  return pearson_from_sums(c.xx, c.xy, c.yy);
}

// Short runs are insertion-sorted before merging: cheaper for the small
// windows that are typical.
constexpr std::size_t kRun = 16;

// Stable: an entry moves before another only when its value is smaller, so
// values that do not compare (NaN) keep their place relative to the others.
// Every step is bounded by the indices alone, whatever the values are.
void insertion_sort(RankEntry* first, RankEntry* last) noexcept {
  if (first == last) return;
  for (RankEntry* i = first + 1; i < last; ++i) {
    const RankEntry key = *i;
    RankEntry* j = i;
    while (j > first && key.value < (j - 1)->value) {
      *j = *(j - 1);
      --j;
    }
    *j = key;
  }
}

// Merges the sorted runs src[lo, mid) and src[mid, hi) into dst[lo, hi),
// taking from the left run unless the right value is smaller.
void merge_runs(const RankEntry* src, std::size_t lo, std::size_t mid, std::size_t hi,
                RankEntry* dst) noexcept {
  std::size_t i = lo;
  std::size_t j = mid;
  std::size_t k = lo;
  while (i < mid && j < hi) dst[k++] = src[j].value < src[i].value ? src[j++] : src[i++];
  while (i < mid) dst[k++] = src[i++];
  while (j < hi) dst[k++] = src[j++];
}

// Bottom-up stable merge sort by value, using `merge` as the second buffer
// (std::stable_sort would allocate its own on every call).
void stable_sort_by_value(std::span<RankEntry> a, std::span<RankEntry> merge) noexcept {
  const std::size_t n = a.size();
  for (std::size_t lo = 0; lo < n; lo += std::min(kRun, n - lo)) {
    insertion_sort(a.data() + lo, a.data() + lo + std::min(kRun, n - lo));
  }
  RankEntry* src = a.data();
  RankEntry* dst = merge.data();
  for (std::size_t width = kRun; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += std::min(2 * width, n - lo)) {
      const std::size_t mid = lo + std::min(width, n - lo);
      const std::size_t hi = mid + std::min(width, n - mid);
      merge_runs(src, lo, mid, hi, dst);
    }
    std::swap(src, dst);
  }
  if (src != a.data()) std::copy(src, src + n, a.data());
}

// Up to this many values, ranks are counted rather than sorted: n^2
// comparisons a vector at a time, without a branch, beat a sort's
// mispredicted ones. Without NaN the two agree exactly: a run of ties
// starting at sorted position k = #less and ending at l = k + #equal has
// rank (k + l + 1) / 2.
constexpr std::size_t kCountingMax = 48;

// (total - ties_x) * (total - ties_y) as a double, rounded once from the
// exact product: the 64-bit product overflows past about 78,000 points.
double exact_product(std::uint64_t a, std::uint64_t b) noexcept {
#ifdef __SIZEOF_INT128__
  __extension__ using U128 = unsigned __int128;
  return static_cast<double>(static_cast<U128>(a) * b);
#else
  // Both factors are exact doubles below 2^53 (windows under 134 million
  // points), so the product is rounded once as well.
  return static_cast<double>(a) * static_cast<double>(b);
#endif
}

}  // namespace

bool pearson_needs_rescaling(double sxx, double syy) noexcept {
  // At extreme scales the squares or their product leave the normal range
  // (overflow to infinity, or underflow that loses precision): redo the sums
  // on deviations scaled to at most 1. Elsewhere the documented sums stand.
  // A present NaN falls through.
  constexpr double kTiny =
      std::numeric_limits<double>::min() / std::numeric_limits<double>::epsilon();
  const double d = sxx * syy;
  return sxx < kTiny || syy < kTiny || d < kTiny || std::isinf(d);
}

Value pearson(std::span<const double> x, std::span<const double> y) noexcept {
  const std::size_t n = x.size();
  double sum_x = 0.0;
  double sum_y = 0.0;
  bool constant_x = true;
  bool constant_y = true;
  for (std::size_t i = 0; i < n; ++i) {
    sum_x = steps::sum(sum_x, x[i]);
    sum_y = steps::sum(sum_y, y[i]);
    constant_x = constant_x && x[i] == x[0];
    constant_y = constant_y && y[i] == y[0];
  }
  // A constant series has no correlation. Its mean can round away from its
  // values (three 0.1s average to 0.10000000000000002), so a test of the sums
  // of squares against 0 alone would standardise rounding noise.
  if (constant_x || constant_y) return kMissing;
  const auto count = static_cast<double>(n);
  const double mean_x = window_mean(sum_x, count);
  const double mean_y = window_mean(sum_y, count);
  steps::Products<double> s{0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < n; ++i) steps::centered_products(s, x[i], y[i], mean_x, mean_y);
  if (pearson_needs_rescaling(s.xx, s.yy)) return rescaled_pearson(x, y, mean_x, mean_y);
  return pearson_from_sums(s.xx, s.xy, s.yy);
}

Value accurate_pearson(std::span<const double> x, std::span<const double> y) noexcept {
  const std::size_t n = x.size();
  bool constant_x = true;
  bool constant_y = true;
  for (std::size_t i = 0; i < n; ++i) {
    constant_x = constant_x && x[i] == x[0];
    constant_y = constant_y && y[i] == y[0];
  }
  if (constant_x || constant_y) return kMissing;
  const accurate::PairSums s = accurate::pair_sums(static_cast<double>(n), [x, y, n](auto&& f) {
    for (std::size_t i = 0; i < n; ++i) f(x[i], y[i]);
  });
  return pearson_from_sums(s.xx, s.xy, s.yy);
}

void average_ranks(std::span<const double> values, std::span<RankEntry> entries,
                   std::span<RankEntry> merge, std::span<double> ranks) noexcept {
  const std::size_t n = values.size();
  if (n <= kCountingMax &&
      std::none_of(values.begin(), values.end(), [](double v) { return std::isnan(v); })) {
    simd::kernels().counted_ranks(values.data(), n, ranks.data());
    return;
  }
  for (std::size_t i = 0; i < n; ++i) entries[i] = {values[i], i};
  stable_sort_by_value(entries.first(n), merge);
  std::size_t k = 0;
  while (k < n) {
    std::size_t l = k + 1;
    while (l < n && entries[l].value == entries[k].value) ++l;
    const double r = static_cast<double>(k + l + 1) * 0.5;
    for (std::size_t m = k; m < l; ++m) ranks[entries[m].index] = r;
    k = l;
  }
}

Value spearman(std::span<const double> x, std::span<const double> y,
               SpearmanScratch& scratch) noexcept {
  const std::size_t n = x.size();
  const std::span<RankEntry> entries = scratch.entries_.first(n);
  const std::span<RankEntry> merge = scratch.merge_.first(n);
  const std::span<double> rx = scratch.rank_x_.first(n);
  const std::span<double> ry = scratch.rank_y_.first(n);
  average_ranks(x, entries, merge, rx);
  average_ranks(y, entries, merge, ry);
  return pearson(rx, ry);
}

Value kendall(std::span<const double> x, std::span<const double> y) noexcept {
  const std::size_t n = x.size();
  PairCounts counts;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    count_row(x.data() + i + 1, y.data() + i + 1, n - i - 1, x[i], y[i], counts);
  }
  const auto total = static_cast<std::int64_t>(pair_count(n));
  const std::int64_t discordant =
      total - (counts.ties_x + counts.ties_y - counts.ties_both) - counts.concordant;
  return tau_b(counts.concordant, discordant, counts.ties_x, counts.ties_y, total);
}

Value tau_b(std::int64_t concordant, std::int64_t discordant, std::int64_t ties_x,
            std::int64_t ties_y, std::int64_t total) noexcept {
  // Neither factor is negative, so the product is <= 0 exactly when one is 0.
  const std::int64_t a = total - ties_x;
  const std::int64_t b = total - ties_y;
  if (a <= 0 || b <= 0) return kMissing;
  const double den = exact_product(static_cast<std::uint64_t>(a), static_cast<std::uint64_t>(b));
  return static_cast<double>(concordant - discordant) / std::sqrt(den);
}

}  // namespace dense
}  // namespace zerak::ops
