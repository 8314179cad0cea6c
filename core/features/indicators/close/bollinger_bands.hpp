#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"

namespace zerak {

// The mean of the last `window` values with bands `nbdevup` and `nbdevdn`
// population standard deviations above and below it: [upper, middle, lower].
class BollingerBands final : public TransformBase<BollingerBands> {
 public:
  static constexpr auto parameters() {
    return std::tuple_cat(schema::window_parameters<BollingerBands>(),
                          std::tuple{schema::RealParam<&BollingerBands::nbdevup>{"nbdevup", 2.0},
                                     schema::RealParam<&BollingerBands::nbdevdn>{"nbdevdn", 2.0}});
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&BollingerBands::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Bollinger Bands: the rolling mean and bands of population standard deviations.",
      .update = "Process one bar. Returns ``[upper, middle, lower]``, ``NaN`` during warm-up.",
  };

  static Result<BollingerBands> create(Names inputs, std::size_t window, Names outputs,
                                       double nbdevup = 2.0, double nbdevdn = 2.0);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 3; }
  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] double nbdevup() const noexcept { return nbdevup_; }
  [[nodiscard]] double nbdevdn() const noexcept { return nbdevdn_; }

 private:
  BollingerBands(Names inputs, std::size_t window, Names outputs, double nbdevup, double nbdevdn);

  Ring ring_;
  std::size_t window_;
  double nbdevup_;
  double nbdevdn_;
};

}  // namespace zerak
