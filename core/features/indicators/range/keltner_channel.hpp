#pragma once

#include <cstddef>
#include <span>
#include <tuple>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"

namespace zerak {

// Keltner channel: middle = EMA(close, window) seeded like our Ema, upper and
// lower = middle +/- multiplier * ATR(atr_window); rows [upper, middle, lower].
// A bar with a missing or non-finite price starts both averages over.
class KeltnerChannel final : public TransformBase<KeltnerChannel> {
 public:
  static constexpr auto parameters() {
    return std::tuple{
        schema::inputs_param<KeltnerChannel>, schema::outputs_param<KeltnerChannel>,
        schema::SizeParam<&KeltnerChannel::window>{"window", 20},
        schema::SizeParam<&KeltnerChannel::atr_window>{"atr_window", 10},
        schema::RealParam<&KeltnerChannel::multiplier>{"multiplier", 2.0, schema::Repr::Shown}};
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&KeltnerChannel::middle_>{"current average"},
                      schema::RingState<&KeltnerChannel::closes_>{"seed closes"},
                      schema::ValueState<&KeltnerChannel::prev_close_>{"previous close"},
                      schema::ValueState<&KeltnerChannel::atr_>{"current average true range"},
                      schema::RingState<&KeltnerChannel::ranges_>{"seed true ranges"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Keltner channel: EMA of close +/- multiplier * ATR: [upper, middle, lower].",
      .update =
          "Process one bar of high, low, close. Returns ``[upper, middle, lower]``, "
          "``NaN`` during warm-up; a ``NaN`` bar starts both averages over.",
  };

  static Result<KeltnerChannel> create(Names inputs, Names outputs, std::size_t window,
                                       std::size_t atr_window, double multiplier);

  [[nodiscard]] std::size_t warm_up_period() const override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 3; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 3; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] const char* restored_problem() const noexcept;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t atr_window() const noexcept { return atr_window_; }
  [[nodiscard]] double multiplier() const noexcept { return multiplier_; }

 private:
  KeltnerChannel(Names inputs, Names outputs, std::size_t window, std::size_t atr_window,
                 double multiplier);

  struct Row {
    Value upper;
    Value middle;
    Value lower;
  };
  Row step(const Value& high, const Value& low, const Value& close) noexcept;

  Value middle_;
  Ring closes_;
  Value prev_close_;
  Value atr_;
  Ring ranges_;
  std::size_t window_;
  std::size_t atr_window_;
  double multiplier_;
  double alpha_;
  double one_minus_alpha_;
  double atr_n_;
  double atr_n_minus_1_;
};

}  // namespace zerak
