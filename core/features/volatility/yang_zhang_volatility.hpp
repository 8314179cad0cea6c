#pragma once

#include <cstddef>
#include <span>
#include <tuple>

#include "window/ring.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Per-bar Yang-Zhang volatility over the last `window` bars, not annualised:
// sqrt(var(ln(O/C_prev)) + k var(ln(C/O)) + (1 - k) mean(RS)), the variances
// sample ones (divisor n - 1), RS the Rogers-Satchell term
// ln(H/C) ln(H/O) + ln(L/C) ln(L/O), and k = 0.34 / (1.34 + (n + 1) / (n - 1)).
// Each bar's overnight return needs the close before it, so the first output
// comes after window + 1 bars.
class YangZhangVolatility final : public WindowFeature<YangZhangVolatility> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&YangZhangVolatility::overnight_>{"overnight returns"},
                      schema::RingState<&YangZhangVolatility::body_>{"open-to-close returns"},
                      schema::RingState<&YangZhangVolatility::range_>{"Rogers-Satchell terms"},
                      schema::ValueState<&YangZhangVolatility::close_>{"previous close"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Rolling Yang-Zhang volatility estimator (OHLC with overnight gaps).",
      .update = "Process one bar. Returns ``[NaN]`` during warm-up or on invalid input.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(4, "inputs must contain open, high, low, and close columns"),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(2, msg::kWindowBelow2),
  };
  static constexpr std::size_t kValuesRead = 4;

  [[nodiscard]] std::size_t warm_up_period() const override { return window_; }
  void reset() override {
    overnight_.clear();
    body_.clear();
    range_.clear();
    close_.reset();
  }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  // The three rings are pushed together.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return overnight_.size() != body_.size() || body_.size() != range_.size()
               ? "window terms of different lengths"
               : nullptr;
  }

 private:
  friend class WindowFeature<YangZhangVolatility>;
  YangZhangVolatility(Names inputs, std::size_t window, Names outputs);

  // The bar's three terms, each missing unless every price and the close
  // before are positive and the high is not below the low; moves the close on.
  struct Terms {
    Value overnight;
    Value body;
    Value range;
  };
  Terms terms(const Value& open, const Value& high, const Value& low, const Value& close) noexcept;
  // The variance from the window's three sums and two sums of squares.
  [[nodiscard]] double variance(double overnight_squares, double body_squares,
                                double range_sum) const noexcept;

  Ring overnight_;
  Ring body_;
  Ring range_;
  Value close_;
  double k_;
};

}  // namespace zerak
