#pragma once

#include <cmath>
#include <cstddef>

#include "ops/log.hpp"
#include "ops/moments.hpp"

#include "features/indicators/range/term_window.hpp"

namespace zerak {

// Per-bar volatility from the open, high, low and close of the last `window`
// bars: sqrt(mean(ln(H/C) ln(H/O) + ln(L/C) ln(L/O))), not annualised.
class RogersSatchellVolatility final : public TermWindow<RogersSatchellVolatility> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Rolling Rogers-Satchell volatility estimator (OHLC).",
      .update = "Process one bar. Returns ``[NaN]`` during warm-up or on invalid input.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(4, "inputs must contain high, low, open, and close columns"),
      window_at_least(1, msg::kWindowZero),
      outputs_at_least(1, msg::kOutputsEmpty),
  };
  static constexpr std::size_t kValuesRead = 4;

  // The bar's variance term, or missing unless every price is positive and
  // the high is not below the low.
  static Value term(const Value& high, const Value& low, const Value& open,
                    const Value& close) noexcept;
  template <class At>
  static Value term_of(At at) noexcept {
    return term_from_arguments(at);
  }
  // The same in two steps: H/C, H/O, L/C and L/O for a usable bar, then the
  // sum of products of their logarithms.
  static constexpr std::size_t kLogs = 4;
  template <class At>
  static bool log_arguments(At at, double (&g)[4]) noexcept {
    return ratios(at(0), at(1), at(2), at(3), g);
  }
  static bool ratios(const Value& high, const Value& low, const Value& open, const Value& close,
                     double (&g)[4]) noexcept;
  static double term_from_logs(const double (&ln)[4]) noexcept {
    return ln[0] * ln[1] + ln[2] * ln[3];
  }
  // None for a negative (or NaN) mean, which bars outside their range can give.
  static Value finish(double sum, double n) noexcept;

 private:
  friend class WindowFeature<RogersSatchellVolatility>;
  using TermWindow::TermWindow;
};

inline bool RogersSatchellVolatility::ratios(const Value& high, const Value& low, const Value& open,
                                             const Value& close, double (&g)[4]) noexcept {
  if (!high || !low || !open || !close) return false;
  const double h = *high;
  const double l = *low;
  const double o = *open;
  const double c = *close;
  // Open and close are deliberately not checked against the range: a bar
  // outside it gives a term of any sign, and a negative mean is caught by finish.
  if (!(h > 0.0 && l > 0.0 && o > 0.0 && h >= l && c > 0.0)) return false;
  g[0] = h / c;
  g[1] = h / o;
  g[2] = l / c;
  g[3] = l / o;
  return true;
}

inline Value RogersSatchellVolatility::term(const Value& high, const Value& low, const Value& open,
                                            const Value& close) noexcept {
  const Value* prices[] = {&high, &low, &open, &close};
  return term_from_arguments([&prices](std::size_t k) -> const Value& { return *prices[k]; });
}

inline Value RogersSatchellVolatility::finish(double sum, double n) noexcept {
  const double mean = ops::window_mean(sum, n);
  return mean >= 0.0 ? Value(std::sqrt(mean)) : kMissing;
}

// Compiled once, in rogers_satchell_volatility.cpp, beside the class's own arithmetic.
extern template class TermWindow<RogersSatchellVolatility>;

}  // namespace zerak
