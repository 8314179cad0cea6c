#pragma once

#include <cstddef>

#include "term_window.hpp"

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
  static Value term_of(const Value* bar) noexcept { return term(bar[0], bar[1], bar[2], bar[3]); }
  // None for a negative (or NaN) mean, which bars outside their range can give.
  static Value finish(double sum, std::size_t window) noexcept;

 private:
  friend class WindowFeature<RogersSatchellVolatility>;
  using TermWindow::TermWindow;
};

}  // namespace zerak
