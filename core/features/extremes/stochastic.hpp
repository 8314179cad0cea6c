#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "error.hpp"
#include "high_low_feature.hpp"
#include "traits.hpp"
#include "window/ring.hpp"

namespace zerak {

// The slow stochastic oscillator: fast %K places the close in the range of the
// last `fastk` bars (0 at the lowest low, 100 at the highest high), slow %K is
// its `slowk`-bar simple mean and slow %D the `slowd`-bar mean of that:
// [slowk, slowd].
class Stochastic final : public HighLowFeature<Stochastic, TransformBase<Stochastic>> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Stochastic>, schema::outputs_param<Stochastic>,
                      schema::SizeParam<&Stochastic::fastk>{"fastk", 5},
                      schema::SizeParam<&Stochastic::slowk>{"slowk", 3},
                      schema::SizeParam<&Stochastic::slowd>{"slowd", 3}};
  }
  static constexpr auto state() {
    return std::tuple_cat(HighLowFeature::state(),
                          std::tuple{schema::RingState<&Stochastic::fast_k_>{"fast %K window"},
                                     schema::RingState<&Stochastic::slow_k_>{"slow %K window"}});
  }
  static constexpr schema::Docs kDocs{
      .summary =
          "Slow stochastic oscillator.\n\n"
          "Fast %K = 100 * (close - lowest low) / (highest high - lowest low) over the\n"
          "last ``fastk`` bars (0 when the range is 0); slow %K is its ``slowk``-bar\n"
          "simple mean and slow %D the ``slowd``-bar simple mean of slow %K.",
      .update = "Process one bar. Returns ``[slowk, slowd]``, ``NaN`` during warm-up.",
  };

  static Result<Stochastic> create(Names inputs, Names outputs, std::size_t fastk = 5,
                                   std::size_t slowk = 3, std::size_t slowd = 3);

  [[nodiscard]] std::size_t warm_up_period() const override {
    return fastk_ - 1 + slowk_ - 1 + slowd_ - 1;
  }
  static constexpr std::size_t kValuesRead = 3;
  static constexpr std::size_t kValuesReturned = 2;
  [[nodiscard]] std::size_t values_read() const noexcept override { return kValuesRead; }
  void reset() override;

  [[nodiscard]] std::size_t fastk() const noexcept { return fastk_; }
  [[nodiscard]] std::size_t slowk() const noexcept { return slowk_; }
  [[nodiscard]] std::size_t slowd() const noexcept { return slowd_; }

  std::array<Value, 2> finish(const HighestHigh& hi, const LowestLow& lo, const Value* bar);

  // Every window takes one entry per bar.
  [[nodiscard]] const char* restored_problem() const noexcept;

 private:
  Stochastic(Names inputs, Names outputs, std::size_t fastk, std::size_t slowk, std::size_t slowd);

  std::size_t fastk_;
  std::size_t slowk_;
  std::size_t slowd_;
  Ring fast_k_;  // the last slowk fast %K values
  Ring slow_k_;  // the last slowd slow %K values
};

}  // namespace zerak
