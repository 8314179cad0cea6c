#pragma once

#include <cstddef>
#include <span>
#include <tuple>

#include "error.hpp"
#include "traits.hpp"
#include "range_indicator.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Wilder's directional movement over `window` bars: [+DI, -DI, ADX]. The
// directional indicators are present from bar `window`, the ADX (the mean of
// the first `window` DX, then Wilder's average of DX) from bar 2 * window - 1.
// A bar with a missing or non-finite price starts everything over.
class Adx final : public WindowFeature<Adx> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Adx::bars_>{"bars since the start"},
                      schema::ValueState<&Adx::prev_high_>{"previous high"},
                      schema::ValueState<&Adx::prev_low_>{"previous low"},
                      schema::ValueState<&Adx::prev_close_>{"previous close"},
                      schema::ValueState<&Adx::plus_dm_>{"smoothed +DM"},
                      schema::ValueState<&Adx::minus_dm_>{"smoothed -DM"},
                      schema::ValueState<&Adx::tr_>{"smoothed true range"},
                      schema::ValueState<&Adx::dx_sum_>{"sum of the first DX"},
                      schema::ValueState<&Adx::adx_>{"current ADX"}};
  }
  static constexpr schema::Docs kDocs{
      .summary =
          "Average Directional Index with the directional indicators: "
          "[plus_di, minus_di, adx].",
      .update =
          "Process one bar of high, low, close. Returns ``[plus_di, minus_di, adx]``, "
          "``NaN`` during warm-up; a ``NaN`` bar starts everything over.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(3, range::kHighLowClose),
      window_at_least(2, msg::kWindowBelow2),
      outputs_exactly(3, "outputs must contain exactly 3 names: [plus_di, minus_di, adx]"),
  };
  static constexpr std::size_t kValuesRead = 3;

  [[nodiscard]] std::size_t warm_up_period() const override { return 2 * window_ - 1; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 3; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] const char* restored_problem() const noexcept;

 private:
  friend class WindowFeature<Adx>;
  Adx(Names inputs, std::size_t window, Names outputs);

  void step(const Value& high, const Value& low, const Value& close, Value& plus_di,
            Value& minus_di, Value& adx) noexcept;

  // Bars since the (re)start, counted up to 2 * window, where the ADX exists.
  Value bars_;
  Value prev_high_;
  Value prev_low_;
  Value prev_close_;
  Value plus_dm_;
  Value minus_dm_;
  Value tr_;
  Value dx_sum_;
  Value adx_;
  double n_;
  double n_minus_1_;
};

}  // namespace zerak
