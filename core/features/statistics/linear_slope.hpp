#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "window/ring.hpp"
#include "traits.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Ordinary least squares of y on x over the last `window` bars: [slope, R²].
class LinearSlope final : public WindowFeature<LinearSlope> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::PairRingState<&LinearSlope::pairs_>{"window pairs"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Rolling OLS regression: slope and R² of y on x over a sliding window.",
      .update = "Process one bar. Returns ``[slope, r2]``, ``NaN`` during warm-up.",
  };

  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(2, "inputs must contain x and y columns"),
      window_at_least(2, msg::kWindowBelow2),
      outputs_exactly(2, "outputs must contain exactly 2 names: [slope, r2]"),
  };
  static constexpr std::size_t kValuesRead = 2;

  [[nodiscard]] std::size_t values_returned() const noexcept override { return 2; }
  void reset() override { pairs_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  friend class WindowFeature<LinearSlope>;

  LinearSlope(Names inputs, std::size_t window, Names outputs);

  // One bar's x and y side by side, so the two series can never drift apart.
  struct Pair {
    Value x;
    Value y;
  };

  BasicRing<Pair> pairs_;
};

}  // namespace zerak
