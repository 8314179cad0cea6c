#pragma once

#include <cstddef>
#include <span>

#include "window/extremum_window.hpp"
#include "window/ring.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Aroon: how recent the lowest low and the highest high of the last
// `window` + 1 bars are, from 100 (this bar) down to 0 (`window` bars ago):
// [down, up]. Among equal extremes the newest counts.
class Aroon final : public WindowFeature<Aroon> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Aroon::highs_>{"high window"},
                      schema::RingState<&Aroon::lows_>{"low window"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Aroon: 100 * (window - bars since the lowest low) / window (down) and the\n"
                 "same for the highest high (up), over the last ``window + 1`` bars.\n\n"
                 "Among equal extremes the most recent counts.",
      .update = "Process one bar. Returns ``[down, up]``, ``NaN`` during warm-up.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(2, "inputs must contain high and low columns"),
      outputs_exactly(2, "outputs must contain exactly 2 names: [down, up]"),
      window_at_least(2, msg::kWindowBelow2),
  };
  static constexpr std::size_t kValuesRead = 2;

  [[nodiscard]] std::size_t warm_up_period() const override { return window_; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 2; }
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
  friend class WindowFeature<Aroon>;
  Aroon(Names inputs, std::size_t window, Names outputs);

  struct Pair {
    Value down;
    Value up;
  };
  Pair step(Highest& hi, Lowest& lo, const Value& high, const Value& low) const noexcept;

  Ring highs_;  // window + 1 bars
  Ring lows_;
  ExtremumWindow<Extreme::Max> highest_;
  ExtremumWindow<Extreme::Min> lowest_;
  double factor_;  // 100 / window
};

}  // namespace zerak
