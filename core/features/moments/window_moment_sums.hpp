#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "ops/steps.hpp"
#include "value.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The running mode of the window moments. Each series is shifted by a value
// K taken at the last recomputation (the window's mean then), and the window
// keeps the sums of a = x - K, of a * a (and of ax * ay for a pair), updated
// by the entering and leaving bar: sum += a_in - a_out, squares += a_in *
// a_in - a_out * a_out. The leaving bar's term is the very double its
// entering added (same K), so a spike leaves no trace. Every sum is
// compensated (error-free two-sums of the difference and of the addition,
// their errors added up apart), so what rounding remains is a few ulps of
// the sum plus the compensation's own rounding.
//
// Trust: the centred sum c = squares - sum^2 / n cancels what the shift
// left, so its relative error is about 4 eps * squares / c. It is trusted
// while c * kTrust >= the scale, the largest running sum of squares seen
// since the last recomputation (which also bounds every term added or
// removed): a trusted c is within about 4 * kTrust * eps (3e-14) relative.
// Otherwise (a spike that left, a drifting shift, a c that is negative or
// NaN), and every `window` bars in any case, the sums are recomputed from the
// window. A constant window is caught by a run count, not by sums, and gives
// exactly 0.
//
// The sum alone keeps no shift: its value, unlike a spread, may
// legitimately be far below its terms. It is trusted while |sum| * kSumTrust
// >= the largest |partial sum| or |step| since, and its recomputation is
// compensated too.
namespace zerak::moments {

inline constexpr double kTrust = 64.0;
inline constexpr double kSumTrust = 0x1p40;

// One bar as running mode sees it.
struct Entry {
  double x = 0.0;
  double y = 0.0;
  bool exists = false;     // a bar, not the empty place before the first
  bool missing = true;     // a value of the bar is missing
  bool finite = false;     // every value present and finite: it enters the sums
  bool x_present = false;  // for the runs of equal values
  bool y_present = false;
};

inline Entry entry(const Value& x) noexcept {
  Entry e;
  e.exists = true;
  e.x_present = x.has_value();
  e.x = x.value_or(0.0);
  e.missing = !e.x_present;
  e.finite = e.x_present && std::isfinite(e.x);
  return e;
}

inline Entry entry(const Value& x, const Value& y) noexcept {
  Entry e;
  e.exists = true;
  e.x_present = x.has_value();
  e.y_present = y.has_value();
  e.x = x.value_or(0.0);
  e.y = y.value_or(0.0);
  e.missing = !e.x_present || !e.y_present;
  e.finite = !e.missing && std::isfinite(e.x) && std::isfinite(e.y);
  return e;
}

// What the window holds, derived from its entries (and rebuilt from them
// after a restore): missing bars, bars with a non-finite value, and the
// number of equal values that end each series (at most the window).
struct WindowCounts {
  std::size_t missing = 0;
  std::size_t nonfinite = 0;
  std::size_t run_x = 0;
  std::size_t run_y = 0;

  void enter(const Entry& e, const Entry* previous, std::size_t window) noexcept {
    missing += e.missing;
    nonfinite += !e.missing && !e.finite;
    const bool same_x = previous && e.x_present && previous->x_present && e.x == previous->x;
    const bool same_y = previous && e.y_present && previous->y_present && e.y == previous->y;
    run_x = same_x ? std::min(run_x + 1, window) : e.x_present;
    run_y = same_y ? std::min(run_y + 1, window) : e.y_present;
  }
  void leave(const Entry& e) noexcept {
    missing -= e.missing;
    nonfinite -= !e.missing && !e.finite;
  }
};

// The running sums, with the bars since they were last recomputed (at most
// the window).
struct RunningSums {
  double shift_x = 0.0;
  double shift_y = 0.0;
  double sum_x = 0.0;
  double sum_y = 0.0;
  double sum_xx = 0.0;
  double sum_yy = 0.0;
  double sum_xy = 0.0;
  // The rounding errors of each sum, added up apart (sum + comp is the value).
  double comp_x = 0.0;
  double comp_y = 0.0;
  double comp_xx = 0.0;
  double comp_yy = 0.0;
  double comp_xy = 0.0;
  double scale_x = 0.0;
  double scale_y = 0.0;
  std::size_t since = 0;
};

// s + e == a + b exactly (Knuth's two-sum; no assumption on magnitudes).
inline void two_sum(double a, double b, double& s, double& e) noexcept {
  s = a + b;
  const double bb = s - a;
  e = (a - (s - bb)) + (b - bb);
}

// (sum, comp) += a - b, keeping the rounding of the difference and of the
// addition in comp: only comp's own rounding is lost.
inline void accumulate(double& sum, double& comp, double a, double b) noexcept {
  double d, e, next, f;
  two_sum(a, -b, d, e);
  two_sum(sum, d, next, f);
  sum = next;
  comp = comp + (e + f);
}

// The shifted terms of the entering (a) and leaving (b) bar of one series.
inline void slide_terms(RunningSums& r, double a, double b) noexcept {
  accumulate(r.sum_x, r.comp_x, a, b);
  accumulate(r.sum_xx, r.comp_xx, a * a, b * b);
  r.scale_x = std::max(r.scale_x, r.sum_xx);
}

// The bar `in` enters and `out` leaves (an entry that does not exist, or is
// not finite, adds and removes nothing).
template <bool Pair, bool PlainSum>
inline void slide(RunningSums& r, const Entry& in, const Entry& out) noexcept {
  if constexpr (PlainSum) {
    const double a = in.finite ? in.x : 0.0;
    const double b = out.finite ? out.x : 0.0;
    accumulate(r.sum_x, r.comp_x, a, b);
    r.scale_x = std::max(r.scale_x, std::max(std::fabs(a - b), std::fabs(r.sum_x)));
  } else {
    const double ax = in.finite ? in.x - r.shift_x : 0.0;
    const double bx = out.finite ? out.x - r.shift_x : 0.0;
    slide_terms(r, ax, bx);
    if constexpr (Pair) {
      const double ay = in.finite ? in.y - r.shift_y : 0.0;
      const double by = out.finite ? out.y - r.shift_y : 0.0;
      accumulate(r.sum_y, r.comp_y, ay, by);
      accumulate(r.sum_yy, r.comp_yy, ay * ay, by * by);
      accumulate(r.sum_xy, r.comp_xy, ax * ay, bx * by);
      r.scale_y = std::max(r.scale_y, r.sum_yy);
    }
  }
}

// Centred sums from the running ones (inv_n = 1 / n: a product costs less
// than a quotient on every bar).
struct Centred {
  double xx;
  double yy;
  double xy;
};

template <bool Pair>
inline Centred centred(const RunningSums& r, double inv_n) noexcept {
  const double sx = r.sum_x + r.comp_x;
  Centred c{(r.sum_xx + r.comp_xx) - sx * (sx * inv_n), 0.0, 0.0};
  if constexpr (Pair) {
    const double sy = r.sum_y + r.comp_y;
    c.yy = (r.sum_yy + r.comp_yy) - sy * (sy * inv_n);
    c.xy = (r.sum_xy + r.comp_xy) - sx * (sy * inv_n);
  }
  return c;
}

// False for NaN too.
inline bool trusted(double centred, double scale) noexcept { return centred * kTrust >= scale; }

inline double sum_value(const RunningSums& r) noexcept { return r.sum_x + r.comp_x; }

inline bool sum_trusted(const RunningSums& r) noexcept {
  return std::fabs(sum_value(r)) * kSumTrust >= r.scale_x;
}

// The sums afresh from a complete window of finite values: `each(f)` calls
// f(x, y) oldest first. The plain sum is compensated here too: a window that
// still holds a spike must not leave the rounding of its sum behind.
template <bool Pair, bool PlainSum, class Each>
void recompute(RunningSums& r, double n, Each&& each) noexcept {
  r.since = 0;
  if constexpr (PlainSum) {
    double sum = 0.0;
    double comp = 0.0;
    double scale = 0.0;
    each([&](double x, double) {
      double next, e;
      two_sum(sum, x, next, e);
      sum = next;
      comp = comp + e;
      scale = std::max(scale, std::max(std::fabs(x), std::fabs(sum)));
    });
    r.sum_x = sum;
    r.comp_x = comp;
    r.scale_x = scale;
    return;
  }
  double sum_x = 0.0;
  double sum_y = 0.0;
  each([&](double x, double y) {
    sum_x = steps::sum(sum_x, x);
    if constexpr (Pair) sum_y = steps::sum(sum_y, y);
  });
  r.shift_x = sum_x / n;
  r.shift_y = Pair ? sum_y / n : 0.0;
  // Compensated too: a later window may cancel down to a small fraction of
  // these sums, which must not carry a plain summation's rounding there.
  r.sum_x = r.sum_y = r.sum_xx = r.sum_yy = r.sum_xy = 0.0;
  r.comp_x = r.comp_y = r.comp_xx = r.comp_yy = r.comp_xy = 0.0;
  each([&](double x, double y) {
    const double ax = x - r.shift_x;
    accumulate(r.sum_x, r.comp_x, ax, 0.0);
    accumulate(r.sum_xx, r.comp_xx, ax * ax, 0.0);
    if constexpr (Pair) {
      const double ay = y - r.shift_y;
      accumulate(r.sum_y, r.comp_y, ay, 0.0);
      accumulate(r.sum_yy, r.comp_yy, ay * ay, 0.0);
      accumulate(r.sum_xy, r.comp_xy, ax * ay, 0.0);
    }
  });
  const double sxx = r.sum_xx;
  const double syy = r.sum_yy;
  r.scale_x = sxx;
  r.scale_y = syy;
}

// A variance from a centred sum of squares and its divisor (a standard
// deviation with `root`): never negative, NaN stays NaN.
inline double spread(double centred, double divisor, bool root) noexcept {
  const double v = (centred <= 0.0 ? 0.0 : centred) / divisor;
  return root ? std::sqrt(v) : v;
}

// out[i] = spread(centred[i], divisor, root), two at a time where the
// instruction set has it: the same correctly rounded operations.
inline void spreads(const double* centred, double* out, std::size_t n, double divisor,
                    bool root) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128d d = _mm_set1_pd(divisor);
  const __m128d zero = _mm_setzero_pd();
  for (; i + 2 <= n; i += 2) {
    __m128d v = _mm_loadu_pd(centred + i);
    v = _mm_div_pd(_mm_andnot_pd(_mm_cmple_pd(v, zero), v), d);
    if (root) v = _mm_sqrt_pd(v);
    _mm_storeu_pd(out + i, v);
  }
#endif
  for (; i < n; ++i) out[i] = spread(centred[i], divisor, root);
}

}  // namespace zerak::moments
