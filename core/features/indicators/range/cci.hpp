#pragma once

#include <cstddef>
#include <span>
#include <tuple>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "range_indicator.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Commodity channel index of the typical price (high + low + close) / 3 over
// `window` bars: (tp - mean) / (0.015 * mean absolute deviation).
class Cci final : public WindowFeature<Cci> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Cci::prices_>{"typical prices"},
                      schema::ValueState<&Cci::phase_>{"bars seen modulo the window"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Commodity Channel Index of the typical price (high + low + close) / 3.",
      .update =
          "Process one bar of high, low, close. Returns ``[NaN]`` during warm-up or "
          "while a ``NaN`` bar is in the window.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(3, range::kHighLowClose),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(2, msg::kWindowBelow2),
  };
  static constexpr std::size_t kValuesRead = 3;

  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] const char* restored_problem() const noexcept;

 private:
  friend class WindowFeature<Cci>;
  Cci(Names inputs, std::size_t window, Names outputs);

  Value step(const Value& high, const Value& low, const Value& close) noexcept;

  Ring prices_;
  // Bars pushed since the start, modulo the window: the sums run over the
  // window in the order of bar numbers modulo the window (a circular buffer's
  // slot order, as the indicator library sums it), so clean data gives its bits.
  Value phase_;
};

}  // namespace zerak
