#pragma once

#include <cmath>
#include <cstddef>

#include "ops/log.hpp"
#include "ops/moments.hpp"

#include "features/indicators/range/term_window.hpp"

namespace zerak {

// Per-bar volatility from the high-low range of the last `window` bars:
// sqrt(mean(ln(H/L)²) / (4 ln 2)), not annualised.
class ParkinsonVolatility final : public TermWindow<ParkinsonVolatility> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Rolling Parkinson volatility estimator (high/low).",
      .update = "Process one bar. Returns ``[NaN]`` during warm-up or on invalid input.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(2, "inputs must contain high and low columns"),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(1, msg::kWindowZero),
  };
  static constexpr std::size_t kValuesRead = 2;

  // ln(H/L)² for a usable bar (both positive, high not below low), else missing.
  static Value term(const Value& high, const Value& low) noexcept;
  template <class At>
  static Value term_of(At at) noexcept {
    return term_from_arguments(at);
  }
  // The same in two steps: H/L for a usable bar, then its logarithm squared.
  static constexpr std::size_t kLogs = 1;
  static bool ratio(const Value& high, const Value& low, double& g) noexcept;
  template <class At>
  static bool log_arguments(At at, double (&g)[1]) noexcept {
    return ratio(at(0), at(1), g[0]);
  }
  static double term_from_logs(const double (&r)[1]) noexcept { return r[0] * r[0]; }
  static Value finish(double sum, double n) noexcept;

 private:
  // 4 ln 2, spelled out so that every build divides by the same double.
  static constexpr double kFourLn2 = 2.772588722239781;

  friend class WindowFeature<ParkinsonVolatility>;
  using TermWindow::TermWindow;
};

inline bool ParkinsonVolatility::ratio(const Value& high, const Value& low, double& g) noexcept {
  if (!high || !low) return false;
  const double h = *high;
  const double l = *low;
  // Written as positive tests so that a NaN price fails them.
  if (!(h > 0.0 && l > 0.0 && h >= l)) return false;
  g = h / l;
  return true;
}

inline Value ParkinsonVolatility::term(const Value& high, const Value& low) noexcept {
  return term_from_arguments([&](std::size_t k) -> const Value& { return k == 0 ? high : low; });
}

inline Value ParkinsonVolatility::finish(double sum, double n) noexcept {
  return std::sqrt(ops::window_mean(sum, n) / kFourLn2);
}

// Compiled once, in parkinson_volatility.cpp, beside the class's own arithmetic.
extern template class TermWindow<ParkinsonVolatility>;

}  // namespace zerak
