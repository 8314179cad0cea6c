#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"

namespace zerak {

// The stochastic oscillator of Wilder's RSI: fastk places the RSI within the
// range of its last `fastk` values (0 to 100; 0 where the range is under
// 1e-12, rounding noise), fastd is
// the mean of the last `fastd` fastk values: [fastk, fastd]. A missing price
// starts everything over.
class StochasticRsi final : public TransformBase<StochasticRsi> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<StochasticRsi>, schema::outputs_param<StochasticRsi>,
                      schema::SizeParam<&StochasticRsi::window>{"window", 14},
                      schema::SizeParam<&StochasticRsi::fastk>{"fastk", 5},
                      schema::SizeParam<&StochasticRsi::fastd>{"fastd", 3}};
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&StochasticRsi::previous_>{"last price"},
                      schema::ValueState<&StochasticRsi::gain_>{"average gain"},
                      schema::ValueState<&StochasticRsi::loss_>{"average loss"},
                      schema::RingState<&StochasticRsi::seed_>{"seed prices"},
                      schema::RingState<&StochasticRsi::rsis_>{"rsi values"},
                      schema::RingState<&StochasticRsi::ks_>{"fastk values"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Stochastic RSI: the stochastic oscillator of the RSI, fastk and fastd.",
      .update = "Process one bar. Returns ``[fastk, fastd]``, ``NaN`` during warm-up.",
  };

  static Result<StochasticRsi> create(Names inputs, Names outputs, std::size_t window = 14,
                                      std::size_t fastk = 5, std::size_t fastd = 3);

  [[nodiscard]] std::size_t warm_up_period() const override {
    return window_ + fastk_ - 1 + fastd_ - 1;
  }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 2; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t fastk() const noexcept { return fastk_; }
  [[nodiscard]] std::size_t fastd() const noexcept { return fastd_; }
  [[nodiscard]] const char* restored_problem() const noexcept {
    if (gain_.has_value() != loss_.has_value()) return "one average without the other";
    if (gain_ && (!previous_ || !seed_.empty()))
      return "averages without a price or with seed prices";
    return nullptr;
  }

 private:
  StochasticRsi(Names inputs, Names outputs, std::size_t window, std::size_t fastk,
                std::size_t fastd);

  struct Row {
    Value k;
    Value d;
  };
  Row step(const Value& x);

  Value previous_;
  Value gain_;
  Value loss_;
  Ring seed_;
  Ring rsis_;
  Ring ks_;
  std::size_t window_;
  std::size_t fastk_;
  std::size_t fastd_;
  double n_;
  double n_minus_1_;
  double inverse_n_;
};

}  // namespace zerak
