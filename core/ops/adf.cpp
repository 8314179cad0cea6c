#include "adf.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace zerak::ops {
namespace {

constexpr double kPivotThreshold = 1e-12;
// A rescaled fit whose residual sum of squares is below this share of the
// target's sum of squares fits exactly: its residuals are rounding (~1e-30).
constexpr double kExactFit = 1e-20;

// Asymptotic MacKinnon p-values of one series at tau = -6.0 + 0.2 i.
constexpr std::array<double, kAdfTableSize> kConstantTable = {
    1.6661204834e-07, 4.6549534731e-07, 1.2711717107e-06, 3.3872038899e-06, 8.7920835785e-06,
    2.2193154714e-05, 5.4385935695e-05, 0.00012916964005, 0.00029683262235, 0.00065890020605,
    0.001410511253,   0.0029073149933,  0.0057610277513,  0.010958871608,   0.019984679219,
    0.034894400275,   0.058273768069,   0.092997267439,   0.14173640869,    0.20624545685,
    0.28657309917,    0.38046169361,    0.48359346965,    0.58227611852,    0.67359571193,
    0.7532643012,     0.81912206764,    0.87098202687,    0.91009877736,    0.93852161743,
    0.95853208606,    0.97226159393,    0.98149494162,    0.98761562917,    0.99163616803,
    0.99426594855,    0.99598588316,    0.99711414191,    0.99785757578,    0.99834901705,
    0.9986729512,     0.99888250502,    0.99901030962,    0.99907515515,    1.0,
};

constexpr std::array<double, kAdfTableSize> kConstantTrendTable = {
    2.1968599946e-06,
    5.722001011e-06,
    1.4572870684e-05,
    3.620969718e-05,
    8.7581674237e-05,
    0.00020574728264,
    0.00046839591299,
    0.0010310555371,
    0.0021897009369,
    0.0044769711121,
    0.0087937012311,
    0.016560672206,
    0.029846151131,
    0.051387926684,
    0.084401702427,
    0.13208098478,
    0.19694444231,
    0.27989264978,
    0.37961893275,
    0.48985051943,
    0.60143377224,
    0.70475832317,
    0.79243229243,
    0.86091256022,
    0.91050285805,
    0.9441147109,
    0.96568254785,
    0.97895129765,
    0.98687903442,
    0.99153194645,
    0.99423316769,
    0.99577753487,
    0.99661680562,
    0.99698697776,
    1.0,
    1.0,
    1.0,
    1.0,
    1.0,
    1.0,
    1.0,
    1.0,
    1.0,
    1.0,
    1.0,
};

constexpr double kTableStart = -6.0;
constexpr double kTableStep = 0.2;
// -6.0 + 44 * 0.2 in floating point, a hair above 2.8.
constexpr double kTableEnd = 2.8000000000000007;

std::size_t checked_mul(std::size_t a, std::size_t b) {
  if (b != 0 && a > std::numeric_limits<std::size_t>::max() / b) {
    throw std::length_error("ADF workspace size overflows");
  }
  return a * b;
}

std::size_t checked_add(std::size_t a, std::size_t b) {
  if (a > std::numeric_limits<std::size_t>::max() - b) {
    throw std::length_error("ADF workspace size overflows");
  }
  return a + b;
}

// Row r of the design matrix: constant, [trend], lagged level, then the
// lagged differences, most recent first.
void design_row(std::span<double> row, std::span<const double> y, std::span<const double> dy,
                std::size_t lags, AdfRegression regression, std::size_t r) noexcept {
  std::size_t c = 0;
  row[c++] = 1.0;
  if (regression == AdfRegression::ConstantTrend) row[c++] = static_cast<double>(lags + r);
  row[c++] = y[lags + r];
  for (std::size_t j = 0; j < lags; ++j) row[c++] = dy[lags + r - 1 - j];
}

}  // namespace

AdfWorkspace::AdfWorkspace(std::size_t n, std::size_t lags, AdfRegression regression) {
  // A window with no more rows than columns never reaches the solver.
  const std::size_t extra = regression == AdfRegression::Constant ? 2 : 3;
  if (n == 0 || lags >= n - 1 || n - 1 - lags <= lags + extra) return;
  storage_.reserve(doubles_needed(n, lags + extra));
}

std::size_t AdfWorkspace::doubles_needed(std::size_t n, std::size_t k) {
  // y, its rescaled copy and dy (n each), the design (fewer than n rows of
  // k), two k x k matrices, four vectors of k.
  return checked_add(checked_add(checked_mul(3, n), checked_mul(n, k)),
                     checked_add(checked_mul(2, checked_mul(k, k)), checked_mul(4, k)));
}

std::span<double> AdfWorkspace::take(std::size_t count) {
  if (storage_.size() < count) storage_.resize(count);
  return std::span<double>(storage_).first(count);
}

namespace {

// The t-statistic from the window y as plain floats: the documented
// regression and solver. With `reject_exact_fit`, a fit whose residuals are
// only rounding (a perfect line) is missing too, instead of a statistic of
// rounding noise over rounding noise.
std::optional<double> fit_statistic(std::span<const double> y, std::size_t lags,
                                    AdfRegression regression, std::span<double> scratch,
                                    bool reject_exact_fit) {
  const std::size_t n = y.size();
  const std::size_t m = n - lags - 1;
  const std::size_t k = lags + (regression == AdfRegression::Constant ? 2 : 3);
  auto carve = [&scratch](std::size_t count) {
    std::span<double> part = scratch.first(count);
    scratch = scratch.subspan(count);
    return part;
  };
  const std::span<double> dy = carve(n);
  const std::span<double> x = carve(m * k);  // the design, row-major
  const std::span<double> gram = carve(k * k);
  const std::span<double> work = carve(k * k);
  const std::span<double> h = carve(k);
  const std::span<double> beta = carve(k);
  const std::span<double> unit = carve(k);
  const std::span<double> z = carve(k);

  for (std::size_t i = 0; i + 1 < n; ++i) dy[i] = y[i + 1] - y[i];
  for (std::size_t r = 0; r < m; ++r) design_row(x.subspan(r * k, k), y, dy, lags, regression, r);
  const std::span<const double> d = std::span<const double>(dy).subspan(lags, m);

  // Normal equations, every entry summed over the rows in row order. The
  // products are symmetric bit for bit, so only the upper triangle is summed.
  // Four rows per pass: an entry still takes its products one row after
  // another, but is loaded and stored once per four rows.
  std::fill(gram.begin(), gram.end(), 0.0);
  std::fill(h.begin(), h.end(), 0.0);
  std::size_t r = 0;
  for (; r + 4 <= m; r += 4) {
    const double* x0 = x.data() + r * k;
    const double* x1 = x0 + k;
    const double* x2 = x1 + k;
    const double* x3 = x2 + k;
    for (std::size_t a = 0; a < k; ++a) {
      const double a0 = x0[a], a1 = x1[a], a2 = x2[a], a3 = x3[a];
      double* g = gram.data() + a * k;
      for (std::size_t b = a; b < k; ++b) {
        g[b] = (((g[b] + a0 * x0[b]) + a1 * x1[b]) + a2 * x2[b]) + a3 * x3[b];
      }
      h[a] = (((h[a] + a0 * d[r]) + a1 * d[r + 1]) + a2 * d[r + 2]) + a3 * d[r + 3];
    }
  }
  for (; r < m; ++r) {
    const double* xr = x.data() + r * k;
    for (std::size_t a = 0; a < k; ++a) {
      double* g = gram.data() + a * k;
      for (std::size_t b = a; b < k; ++b) g[b] += xr[a] * xr[b];
      h[a] += xr[a] * d[r];
    }
  }
  for (std::size_t a = 0; a < k; ++a) {
    for (std::size_t b = 0; b < a; ++b) gram[a * k + b] = gram[b * k + a];
  }

  std::copy(gram.begin(), gram.end(), work.begin());
  if (!gauss_solve(work, h, beta, k)) return std::nullopt;

  double ssr = 0.0;
  for (r = 0; r < m; ++r) {
    const double* xr = x.data() + r * k;
    double fitted = 0.0;
    for (std::size_t j = 0; j < k; ++j) fitted += xr[j] * beta[j];
    const double e = d[r] - fitted;
    ssr += e * e;
  }
  if (reject_exact_fit) {
    double total = 0.0;
    for (const double v : d) total += v * v;
    if (ssr <= total * kExactFit) return std::nullopt;
  }
  // The tested coefficient's variance needs one diagonal entry of G^-1.
  const std::size_t g = adf_tested_column(regression);
  std::fill(unit.begin(), unit.end(), 0.0);
  unit[g] = 1.0;
  if (!gauss_solve(gram, unit, z, k)) return std::nullopt;
  return adf_t_statistic(beta[g], ssr, z[g], m, k);
}

// The statistic does not change when the series is shifted or scaled, but the
// solver's absolute pivot threshold (and the range of a double) do: changes
// below ~1e-7 leave every pivot under 1e-12, levels above ~1e160 overflow the
// normal equations. Such a window is refitted as the equivalent series
// centred on its mean and scaled, by powers of two, to changes of order one.
// A window that is degenerate whatever its scale (constant, or a perfect
// line) stays missing.
std::optional<double> rescaled_statistic(std::span<const double> y, std::size_t lags,
                                         AdfRegression regression, std::span<double> scratch) {
  const std::size_t n = y.size();
  const std::span<double> scaled = scratch.first(n);
  double largest = 0.0;
  for (const double v : y) {
    if (!std::isfinite(v)) return std::nullopt;
    largest = std::max(largest, std::fabs(v));
  }
  if (largest == 0.0) return std::nullopt;
  const int level = std::ilogb(largest);
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    scaled[i] = std::ldexp(y[i], -level);
    sum += scaled[i];
  }
  const double mean = sum / static_cast<double>(n);
  double step = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    scaled[i] -= mean;
    if (i > 0) step = std::max(step, std::fabs(scaled[i] - scaled[i - 1]));
  }
  if (step == 0.0) return std::nullopt;  // constant
  const int change = std::ilogb(step);
  for (double& v : scaled) v = std::ldexp(v, -change);
  return fit_statistic(scaled, lags, regression, scratch.subspan(n), true);
}

}  // namespace

namespace {

// The statistic of a window of n values that `fill` writes into y; missing
// when the fit has no more rows than columns.
template <class Fill>
std::optional<double> window_statistic(std::size_t n, std::size_t lags, AdfRegression regression,
                                       AdfWorkspace& workspace, Fill&& fill) {
  // Rows saturate at zero; written so that no sum can wrap for any lags.
  const std::size_t m = lags >= n ? 0 : n - lags - 1;
  if (m == 0) return std::nullopt;
  // Here lags < n, so k cannot wrap either.
  const std::size_t k = lags + (regression == AdfRegression::Constant ? 2 : 3);
  if (m <= k) return std::nullopt;

  const std::span<double> scratch = workspace.take(AdfWorkspace::doubles_needed(n, k));
  const std::span<double> y = scratch.first(n);
  fill(y);
  if (std::optional<double> t = fit_statistic(y, lags, regression, scratch.subspan(n), false)) {
    return t;
  }
  return rescaled_statistic(y, lags, regression, scratch.subspan(n));
}

}  // namespace

std::optional<double> adf_stat(std::span<const Value> older, std::span<const Value> newer,
                               std::size_t lags, AdfRegression regression,
                               AdfWorkspace& workspace) {
  for (const Value& v : older) {
    if (!v) return std::nullopt;
  }
  for (const Value& v : newer) {
    if (!v) return std::nullopt;
  }
  const std::size_t n = older.size() + newer.size();
  return window_statistic(n, lags, regression, workspace, [&](std::span<double> y) {
    std::transform(older.begin(), older.end(), y.begin(), [](const Value& v) { return *v; });
    std::transform(newer.begin(), newer.end(),
                   y.begin() + static_cast<std::ptrdiff_t>(older.size()),
                   [](const Value& v) { return *v; });
  });
}

std::optional<double> adf_stat_from_plain(std::span<const double> window, std::size_t lags,
                                          AdfRegression regression, AdfWorkspace& workspace) {
  return window_statistic(window.size(), lags, regression, workspace, [&](std::span<double> y) {
    std::copy(window.begin(), window.end(), y.begin());
  });
}

std::optional<double> adf_t_statistic(double tested, double ssr, double inverse, std::size_t m,
                                      std::size_t k) noexcept {
  const double s2 = ssr / static_cast<double>(m - k);
  const double var = s2 * inverse;
  if (var <= 0.0) return std::nullopt;
  const double t = tested / std::sqrt(var);
  if (!std::isfinite(t)) return std::nullopt;
  return t;
}

std::optional<double> adf_stat(std::span<const Value> series, std::size_t lags,
                               AdfRegression regression) {
  AdfWorkspace workspace;
  return adf_stat(series, {}, lags, regression, workspace);
}

bool gauss_solve(std::span<double> a, std::span<double> rhs, std::span<double> x,
                 std::size_t n) noexcept {
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t pivot = i;
    double largest = std::fabs(a[i * n + i]);
    for (std::size_t l = i + 1; l < n; ++l) {
      const double candidate = std::fabs(a[l * n + i]);
      if (candidate > largest) {  // strictly: the first of equal maxima wins
        largest = candidate;
        pivot = l;
      }
    }
    if (largest < kPivotThreshold) return false;
    if (pivot != i) {
      for (std::size_t c = 0; c < n; ++c) std::swap(a[i * n + c], a[pivot * n + c]);
      std::swap(rhs[i], rhs[pivot]);
    }
    const double* top = a.data() + i * n;
    for (std::size_t l = i + 1; l < n; ++l) {
      double* below = a.data() + l * n;
      const double f = below[i] / top[i];
      below[i] = 0.0;
      for (std::size_t c = i + 1; c < n; ++c) below[c] -= top[c] * f;
      rhs[l] -= f * rhs[i];
    }
  }
  std::fill(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n), 0.0);
  for (std::size_t r = n; r-- > 0;) {
    double s = rhs[r];
    for (std::size_t c = r + 1; c < n; ++c) s -= a[r * n + c] * x[c];
    if (std::fabs(a[r * n + r]) < kPivotThreshold) return false;
    x[r] = s / a[r * n + r];
  }
  return true;
}

std::optional<std::vector<double>> gauss_solve(std::vector<double> a, std::vector<double> rhs,
                                               std::size_t n) {
  std::vector<double> x(n);
  if (!gauss_solve(a, rhs, x, n)) return std::nullopt;
  return x;
}

std::span<const double, kAdfTableSize> adf_pvalue_table(AdfRegression regression) noexcept {
  return regression == AdfRegression::Constant ? std::span(kConstantTable)
                                               : std::span(kConstantTrendTable);
}

double adf_pvalue(double stat, AdfRegression regression) noexcept {
  const std::span<const double, kAdfTableSize> table = adf_pvalue_table(regression);
  if (stat <= kTableStart) return table[0];
  if (stat >= kTableEnd) return 1.0;
  const double pos = (6.0 + stat) / kTableStep;
  // Truncation toward zero; the comparison also keeps a NaN away from the
  // float-to-integer conversion.
  std::size_t i = pos > 0.0 ? static_cast<std::size_t>(pos) : 0;
  if (i > kAdfTableSize - 2) i = kAdfTableSize - 2;
  const double base = static_cast<double>(i) * kTableStep + kTableStart;
  const double frac = (stat - base) / kTableStep;
  return table[i] + (table[i + 1] - table[i]) * frac;
}

}  // namespace zerak::ops
