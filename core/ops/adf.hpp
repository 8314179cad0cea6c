#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "value.hpp"

namespace zerak::ops {

// Deterministic terms of the Dickey-Fuller regression.
enum class AdfRegression : std::uint8_t {
  Constant = 0,       // "c": constant only
  ConstantTrend = 1,  // "ct": constant and linear trend
};

// Index of the lagged level's coefficient (the tested one) in the design.
[[nodiscard]] constexpr std::size_t adf_tested_column(AdfRegression regression) noexcept {
  return regression == AdfRegression::Constant ? 1 : 2;
}

// Reusable scratch for adf_stat. A rolling test sized once at construction
// reuses it on every bar and allocates nothing; copies start empty-handed
// with the same reservation, since scratch contents are never state.
class AdfWorkspace {
 public:
  AdfWorkspace() noexcept = default;
  // Reserves room for windows of n values with `lags` lagged differences.
  // Impossible sizes throw std::bad_alloc or std::length_error here.
  AdfWorkspace(std::size_t n, std::size_t lags, AdfRegression regression);

  AdfWorkspace(const AdfWorkspace& other) { storage_.reserve(other.storage_.capacity()); }
  AdfWorkspace& operator=(const AdfWorkspace&) = delete;
  AdfWorkspace(AdfWorkspace&&) noexcept = default;
  AdfWorkspace& operator=(AdfWorkspace&&) noexcept = default;

  // Doubles needed for a window of n values and k columns; throws
  // std::length_error when the count does not fit in a size_t.
  [[nodiscard]] static std::size_t doubles_needed(std::size_t n, std::size_t k);

  // The first `count` doubles of scratch, growing the storage only when it
  // holds fewer (which never happens for a workspace sized for the window).
  [[nodiscard]] std::span<double> take(std::size_t count);

 private:
  std::vector<double> storage_;
};

// t-statistic of the lagged level in the augmented Dickey-Fuller regression
// over `series` (oldest first); missing when any value is missing or the
// regression is degenerate.
// This form takes the window as two consecutive pieces, as a ring holds it,
// and its scratch from `workspace`, which grows only when it holds less than
// this window needs.
[[nodiscard]] std::optional<double> adf_stat(std::span<const Value> older,
                                             std::span<const Value> newer, std::size_t lags,
                                             AdfRegression regression, AdfWorkspace& workspace);
// The same for a window of plain values, none of them missing.
[[nodiscard]] std::optional<double> adf_stat_from_plain(std::span<const double> window,
                                                        std::size_t lags, AdfRegression regression,
                                                        AdfWorkspace& workspace);
// The last steps of a fit of m rows and k columns: the t-statistic from the
// tested coefficient, the residual sum of squares and the tested diagonal
// entry of the inverted normal matrix; missing when the variance is not
// positive or the statistic not finite.
[[nodiscard]] std::optional<double> adf_t_statistic(double tested, double ssr, double inverse,
                                                    std::size_t m, std::size_t k) noexcept;
// The same with scratch of its own for this one call.
[[nodiscard]] std::optional<double> adf_stat(std::span<const Value> series, std::size_t lags,
                                             AdfRegression regression);

// Solves a x = rhs for the n x n row-major matrix `a` by Gaussian elimination
// with partial pivoting, overwriting `a` and `rhs` and writing `x`. Returns
// false when a pivot falls below 1e-12 (numerically singular). `a` holds at
// least n * n values, `rhs` and `x` at least n.
[[nodiscard]] bool gauss_solve(std::span<double> a, std::span<double> rhs, std::span<double> x,
                               std::size_t n) noexcept;
// The same taking the system over; missing when singular.
[[nodiscard]] std::optional<std::vector<double>> gauss_solve(std::vector<double> a,
                                                             std::vector<double> rhs,
                                                             std::size_t n);

inline constexpr std::size_t kAdfTableSize = 45;

// Asymptotic p-value of a single-series statistic, interpolated linearly in
// the tabulated distribution of `regression`.
[[nodiscard]] double adf_pvalue(double stat, AdfRegression regression) noexcept;

// The tabulated distributions at tau = -6.0 + 0.2 i, i = 0 .. 44.
[[nodiscard]] std::span<const double, kAdfTableSize> adf_pvalue_table(
    AdfRegression regression) noexcept;

}  // namespace zerak::ops
