#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "value.hpp"

// The AVX2 and AVX-512 kernels exist on x86-64 with GCC or Clang only (the
// build may also turn them off); elsewhere both levels are the baseline one.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(ZERAK_NO_X86_KERNELS)
#define ZERAK_X86_KERNELS 1
#else
#define ZERAK_X86_KERNELS 0
#endif

namespace zerak::simd {

// Instruction sets the block kernels come in. Every level gives identical
// bits: lanes are bars, and each lane does the operations of the scalar code
// in the same order (no contraction into fma, no reassociation).
enum class Level : std::uint8_t {
  Baseline = 0,  // SSE2 on x86-64, plain C++ elsewhere
  Avx2 = 1,
  Avx512 = 2,  // F, DQ and VL
};

// The best level this CPU (and its operating system) supports.
[[nodiscard]] Level detected_level() noexcept;
// The level in use: the detected one, unless use_level chose another.
[[nodiscard]] Level active_level() noexcept;
[[nodiscard]] bool available(Level level) noexcept;
// Uses `level` from now on (tests run every path this way); false, changing
// nothing, if this CPU lacks it.
bool use_level(Level level) noexcept;
[[nodiscard]] const char* level_name(Level level) noexcept;

// Kendall's pair counts (see ops::dense::count_row).
struct PairCounts {
  std::int64_t concordant = 0;
  std::int64_t ties_x = 0;
  std::int64_t ties_y = 0;
  std::int64_t ties_both = 0;
};

// How many values lie below and how many equal a given one.
struct RankCounts {
  std::int64_t less = 0;
  std::int64_t equal = 0;
};

// The element-wise operations on two columns that have a kernel.
enum class ColumnOp : std::uint8_t { Add, Subtract, Multiply, Divide };

// The kernels of one instruction set.
//
// Window passes over plain arrays, one window per output. For output i the
// window is x[i], x[i + 1], ..., x[i + w - 1], combined oldest first from 0.0
// with exactly the steps of simd/steps.inc named.
//
// Counting passes, for the rank correlations: their results are integers,
// exact whichever instruction set counts them.
struct Kernels {
  // out[i] = sum of x.
  void (*sums)(const double* x, std::size_t w, std::size_t n, double* out) noexcept;
  // out[i] = sum of x * k for the k-th entry of the window, k = 1 .. w
  // (each product rounded, then added).
  void (*weighted_sums)(const double* x, std::size_t w, std::size_t n, double* out) noexcept;
  // out[i] = sum of d * d, d = x - mean[i].
  void (*centered_squares)(const double* x, std::size_t w, std::size_t n, const double* mean,
                           double* out) noexcept;
  // out[i] = sum of (z * z) * z, z = (x - mean[i]) / sd[i].
  void (*standardized_cubes)(const double* x, std::size_t w, std::size_t n, const double* mean,
                             const double* sd, double* out) noexcept;
  // out[i] = sum of (z * z) * (z * z), z as above.
  void (*standardized_fourths)(const double* x, std::size_t w, std::size_t n, const double* mean,
                               const double* sd, double* out) noexcept;
  // With dx = x - mean_x[i], dy = y - mean_y[i]: sums of dx * dx, dx * dy and dy * dy.
  void (*centered_products)(const double* x, const double* y, std::size_t w, std::size_t n,
                            const double* mean_x, const double* mean_y, double* sxx, double* sxy,
                            double* syy) noexcept;
  // out[i] = the compensated sum of x (steps::compensated_total).
  void (*compensated_sums)(const double* x, std::size_t w, std::size_t n, double* out) noexcept;
  // With d = x - mean[i]: squares[i] = sum of d * d, deviations[i] = sum of d.
  void (*centered_squares_and_deviations)(const double* x, std::size_t w, std::size_t n,
                                          const double* mean, double* squares,
                                          double* deviations) noexcept;
  // centered_products with the sums of dx and of dy as well.
  void (*corrected_products)(const double* x, const double* y, std::size_t w, std::size_t n,
                             const double* mean_x, const double* mean_y, double* sxx, double* sxy,
                             double* syy, double* sdx, double* sdy) noexcept;

  // Adds to `counts` the pairs of (xi, yi) with each (xs[j], ys[j]), j < m,
  // classified by the differences xs[j] - xi and ys[j] - yi.
  void (*count_pairs)(const double* xs, const double* ys, std::size_t m, double xi, double yi,
                      PairCounts& counts) noexcept;
  // For every j < n: less[j] += (in < v[j]) - (out < v[j]), and equal[j]
  // likewise with ==; returns the counts of v[j] below and equal to `in`.
  RankCounts (*slide_ranks)(const double* v, std::int64_t* less, std::int64_t* equal, std::size_t n,
                            double in, double out) noexcept;
  // ranks[i] = the average rank of v[i] among v[0, n), none of them NaN:
  // (2 * below + equal + 1) / 2.
  void (*counted_ranks)(const double* v, std::size_t n, double* ranks) noexcept;

  // Augmented Dickey-Fuller fits of the `count` windows y[j], ..., y[j + n - 1]
  // with dy[t] = y[t + 1] - y[t], the operations of the scalar fit (ops/adf.cpp)
  // in its order: per window the tested coefficient, the residual sum of
  // squares and the tested diagonal entry of the inverted normal matrix, and
  // ok[j] = 0 where the scalar solver would find a pivot below its threshold.
  // At most kAdfLaneMostColumns columns; `scratch` holds
  // adf_lane_doubles(lags, columns) doubles.
  void (*adf_fits)(const double* y, const double* dy, std::size_t n, std::size_t lags, bool trend,
                   std::size_t count, double* scratch, double* tested, double* ssr, double* inverse,
                   unsigned char* ok) noexcept;
  // out[i] = the library's ln x[i] (simd/log.inc), one argument per lane.
  void (*logs)(const double* x, std::size_t n, double* out) noexcept;

  // Columns of values as doubles, a missing value holding its pattern
  // (Value::kMissingBits).
  // out[i] = in[i] with every NaN made missing: values arriving from outside.
  void (*missing_from_nan)(const double* in, std::size_t n, double* out) noexcept;
  // out[i] = in[i] with every missing value made the quiet NaN: values leaving.
  void (*nan_from_missing)(const double* in, std::size_t n, double* out) noexcept;
  // y[i] = a[i] op b[i], missing where either is (and, dividing, where b[i] is 0).
  void (*combine)(ColumnOp op, const double* a, const double* b, std::size_t n, double* y) noexcept;
  // out[i] = x[i] / d; returns whether any out[i] is a NaN.
  bool (*divided)(const double* x, std::size_t n, double d, double* out) noexcept;
  // Whether any of x[0, n) is a NaN.
  bool (*any_nan)(const double* x, std::size_t n) noexcept;
};

// The widest vector, in doubles.
inline constexpr std::size_t kMostLanes = 8;
// Fits with more columns than this take the scalar path: their lane scratch
// would outgrow the caches it is meant for.
inline constexpr std::size_t kAdfLaneMostColumns = 64;
// Rows of the design adf_fits holds at once, with `lags` lags.
[[nodiscard]] constexpr std::size_t adf_lane_chunk_rows(std::size_t lags) noexcept {
  return lags < 256 ? 256 : lags;
}
// Scratch for adf_fits with `lags` lags and k columns.
[[nodiscard]] constexpr std::size_t adf_lane_doubles(std::size_t lags, std::size_t k) noexcept {
  return (k * (k + 1) + 3 * k + 3 * adf_lane_chunk_rows(lags) + lags + 1) * kMostLanes;
}

namespace detail {
// The active level's table once chosen; the choice itself is out of line.
extern std::atomic<const Kernels*> g_table;
[[nodiscard]] const Kernels& choose_kernels() noexcept;
}  // namespace detail

// The kernels of the active level: one load on the live path, which counts
// ranks through them on every bar.
[[nodiscard]] inline const Kernels& kernels() noexcept {
  const Kernels* table = detail::g_table.load(std::memory_order_relaxed);
  return table != nullptr ? *table : detail::choose_kernels();
}
// The kernels of one level (which must be available).
[[nodiscard]] const Kernels& kernels_for(Level level) noexcept;

// Per instruction set, defined in their own files.
const Kernels& baseline_kernels() noexcept;
const Kernels& avx2_kernels() noexcept;
const Kernels& avx512_kernels() noexcept;

}  // namespace zerak::simd
