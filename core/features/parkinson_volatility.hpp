#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"
#include "window_feature.hpp"

namespace zerak {

// Per-bar volatility from the high-low range of the last `window` bars:
// sqrt(mean(ln(H/L)²) / (4 ln 2)), not annualised.
class ParkinsonVolatility final : public WindowFeature<ParkinsonVolatility> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&ParkinsonVolatility::terms_>{"window terms"}};
  }
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

  void reset() override { terms_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  template <class> friend struct snapshot::Codec;
  friend class WindowFeature<ParkinsonVolatility>;

  ParkinsonVolatility(Names inputs, std::size_t window, Names outputs);

  Ring terms_;  // each bar's term, computed once on arrival
};

}  // namespace zerak
