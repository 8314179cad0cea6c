#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"
#include "window_feature.hpp"

namespace zerak {

// Per-bar volatility from the open, high, low and close of the last `window`
// bars: sqrt(mean(ln(H/C) ln(H/O) + ln(L/C) ln(L/O))), not annualised.
class RogersSatchellVolatility final : public WindowFeature<RogersSatchellVolatility> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&RogersSatchellVolatility::terms_>{"window terms"}};
  }
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

  void reset() override { terms_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  template <class> friend struct snapshot::Codec;
  friend class WindowFeature<RogersSatchellVolatility>;

  RogersSatchellVolatility(Names inputs, std::size_t window, Names outputs);

  Ring terms_;  // each bar's term, computed once on arrival
};

}  // namespace zerak
