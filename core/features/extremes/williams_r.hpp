#pragma once

#include <cstddef>
#include <span>

#include "window/extremum_window.hpp"
#include "window/ring.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Williams' %R: where the close sits below the highest high of the last
// `window` bars, as a percentage of their range (0 at the top, -100 at the bottom).
class WilliamsR final : public WindowFeature<WilliamsR> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&WilliamsR::highs_>{"high window"},
                      schema::RingState<&WilliamsR::lows_>{"low window"}};
  }
  static constexpr schema::Docs kDocs{
      "Williams' %R: -100 * (highest high - close) / (highest high - lowest low) over\n"
      "the last ``window`` bars; 0 when the range is 0."};
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(3, "inputs must contain high, low and close columns"),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(2, msg::kWindowBelow2),
  };
  static constexpr std::size_t kValuesRead = 3;

  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  void rebuild_from_window() noexcept;
  [[nodiscard]] const char* restored_problem() const noexcept {
    return highs_.size() != lows_.size() ? "high and low windows of different lengths" : nullptr;
  }

 private:
  using Highest = ExtremumWindow<Extreme::Max>::Cursor;
  using Lowest = ExtremumWindow<Extreme::Min>::Cursor;
  friend class WindowFeature<WilliamsR>;
  WilliamsR(Names inputs, std::size_t window, Names outputs);

  // Writes in place: a Value built aside and copied stalls on every bar.
  static void step(Highest& hi, Lowest& lo, const Value& high, const Value& low,
                   const Value& close, Value& out) noexcept;

  Ring highs_;
  Ring lows_;
  ExtremumWindow<Extreme::Max> highest_;
  ExtremumWindow<Extreme::Min> lowest_;
};

}  // namespace zerak
