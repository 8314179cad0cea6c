#pragma once

#include <cmath>
#include <cstddef>

#include "ops/log.hpp"
#include "ops/moments.hpp"

#include "features/indicators/range/term_window.hpp"

namespace zerak {

// Per-bar volatility from the open, high, low and close of the last `window`
// bars: sqrt(mean(0.5 ln(H/L)² - (2 ln 2 - 1) ln(C/O)²)), not annualised.
class GarmanKlassVolatility final : public TermWindow<GarmanKlassVolatility> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Rolling Garman-Klass volatility estimator (OHLC).",
      .update = "Process one bar. Returns ``[NaN]`` during warm-up or on invalid input.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(4, "inputs must contain open, high, low, and close columns"),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(1, msg::kWindowZero),
  };
  static constexpr std::size_t kValuesRead = 4;

  // The bar's variance term, or missing unless every price is positive and
  // the high is not below the low.
  static Value term(const Value& open, const Value& high, const Value& low,
                    const Value& close) noexcept;
  template <class At>
  static Value term_of(At at) noexcept {
    return term_from_arguments(at);
  }
  // The same in two steps: H/L and C/O for a usable bar, then the
  // combination of their logarithms' squares.
  static constexpr std::size_t kLogs = 2;
  template <class At>
  static bool log_arguments(At at, double (&g)[2]) noexcept {
    return ratios(at(0), at(1), at(2), at(3), g);
  }
  static bool ratios(const Value& open, const Value& high, const Value& low, const Value& close,
                     double (&g)[2]) noexcept;
  static double term_from_logs(const double (&ln)[2]) noexcept {
    const double range = ln[0];
    const double body = ln[1];
    return 0.5 * (range * range) - kTwoLn2Minus1 * (body * body);
  }
  // Missing for a negative (or NaN) mean, which closes far from their opens
  // within narrow ranges can give.
  static Value finish(double sum, double n) noexcept;

 private:
  // 2 ln 2 - 1, spelled out so that every build multiplies by the same double.
  static constexpr double kTwoLn2Minus1 = 0.3862943611198906;

  friend class WindowFeature<GarmanKlassVolatility>;
  using TermWindow::TermWindow;
};

inline bool GarmanKlassVolatility::ratios(const Value& open, const Value& high, const Value& low,
                                          const Value& close, double (&g)[2]) noexcept {
  if (!open || !high || !low || !close) return false;
  const double o = *open;
  const double h = *high;
  const double l = *low;
  const double c = *close;
  // Positive tests, so that a NaN price fails them.
  if (!(o > 0.0 && h > 0.0 && l > 0.0 && c > 0.0 && h >= l)) return false;
  g[0] = h / l;
  g[1] = c / o;
  return true;
}

inline Value GarmanKlassVolatility::term(const Value& open, const Value& high, const Value& low,
                                         const Value& close) noexcept {
  const Value* prices[] = {&open, &high, &low, &close};
  return term_from_arguments([&prices](std::size_t k) -> const Value& { return *prices[k]; });
}

inline Value GarmanKlassVolatility::finish(double sum, double n) noexcept {
  const double mean = ops::window_mean(sum, n);
  return mean >= 0.0 ? Value(std::sqrt(mean)) : kMissing;
}

// Compiled once, in garman_klass_volatility.cpp, beside the class's own arithmetic.
extern template class TermWindow<GarmanKlassVolatility>;

}  // namespace zerak
