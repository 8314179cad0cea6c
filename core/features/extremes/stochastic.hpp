#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "traits.hpp"
#include "window/extremum_window.hpp"
#include "window/ring.hpp"

namespace zerak {

// The slow stochastic oscillator: fast %K places the close in the range of the
// last `fastk` bars (0 at the lowest low, 100 at the highest high), slow %K is
// its `slowk`-bar simple mean and slow %D the `slowd`-bar mean of that:
// [slowk, slowd].
class Stochastic final : public TransformBase<Stochastic> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Stochastic>, schema::outputs_param<Stochastic>,
                      schema::SizeParam<&Stochastic::fastk>{"fastk", 5},
                      schema::SizeParam<&Stochastic::slowk>{"slowk", 3},
                      schema::SizeParam<&Stochastic::slowd>{"slowd", 3}};
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Stochastic::highs_>{"high window"},
                      schema::RingState<&Stochastic::lows_>{"low window"},
                      schema::RingState<&Stochastic::fast_k_>{"fast %K window"},
                      schema::RingState<&Stochastic::slow_k_>{"slow %K window"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Slow stochastic oscillator.\n\n"
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
  [[nodiscard]] std::size_t values_read() const noexcept override { return 3; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 2; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  [[nodiscard]] std::size_t fastk() const noexcept { return fastk_; }
  [[nodiscard]] std::size_t slowk() const noexcept { return slowk_; }
  [[nodiscard]] std::size_t slowd() const noexcept { return slowd_; }

  void rebuild_from_window() noexcept;
  // Every window takes one entry per bar.
  [[nodiscard]] const char* restored_problem() const noexcept;

 private:
  using Highest = ExtremumWindow<Extreme::Max>::Cursor;
  using Lowest = ExtremumWindow<Extreme::Min>::Cursor;
  Stochastic(Names inputs, Names outputs, std::size_t fastk, std::size_t slowk,
             std::size_t slowd);

  struct Lines {
    Value slowk;
    Value slowd;
  };
  Lines step(Highest& hi, Lowest& lo, const Value& high, const Value& low, const Value& close);

  std::size_t fastk_;
  std::size_t slowk_;
  std::size_t slowd_;
  Ring highs_;
  Ring lows_;
  Ring fast_k_;  // the last slowk fast %K values
  Ring slow_k_;  // the last slowd slow %K values
  ExtremumWindow<Extreme::Max> highest_;
  ExtremumWindow<Extreme::Min> lowest_;
};

}  // namespace zerak
