#pragma once

#include <cstddef>
#include <span>
#include <tuple>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"

namespace zerak {

// Williams' ultimate oscillator: 100 * (4 A1 + 2 A2 + A3) / 7, where Ak is
// the sum of buying pressure (close - min(low, previous close)) over the sum
// of true ranges in the k-th shortest of three windows. Each window is summed
// afresh, oldest bar first.
class UltimateOscillator final : public TransformBase<UltimateOscillator> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<UltimateOscillator>,
                      schema::outputs_param<UltimateOscillator>,
                      schema::SizeParam<&UltimateOscillator::timeperiod1>{"timeperiod1", 7},
                      schema::SizeParam<&UltimateOscillator::timeperiod2>{"timeperiod2", 14},
                      schema::SizeParam<&UltimateOscillator::timeperiod3>{"timeperiod3", 28}};
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&UltimateOscillator::prev_close_>{"previous close"},
                      schema::RingState<&UltimateOscillator::pressure_>{"buying pressures"},
                      schema::RingState<&UltimateOscillator::ranges_>{"true ranges"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Ultimate Oscillator of three windows of buying pressure and true range.",
      .update =
          "Process one bar of high, low, close. Returns ``[NaN]`` during warm-up or "
          "while a ``NaN`` bar is in the longest window.",
  };

  static Result<UltimateOscillator> create(Names inputs, Names outputs, std::size_t timeperiod1,
                                           std::size_t timeperiod2, std::size_t timeperiod3);

  [[nodiscard]] std::size_t warm_up_period() const override { return longest_; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 3; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  // The two rings advance together.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return pressure_.size() != ranges_.size() ? "rings of different lengths" : nullptr;
  }

  [[nodiscard]] std::size_t timeperiod1() const noexcept { return given_[0]; }
  [[nodiscard]] std::size_t timeperiod2() const noexcept { return given_[1]; }
  [[nodiscard]] std::size_t timeperiod3() const noexcept { return given_[2]; }

 private:
  UltimateOscillator(Names inputs, Names outputs, std::size_t timeperiod1, std::size_t timeperiod2,
                     std::size_t timeperiod3);

  Value step(const Value& high, const Value& low, const Value& close) noexcept;

  Value prev_close_;
  Ring pressure_;
  Ring ranges_;
  std::size_t given_[3];
  // The periods sorted: weight 4 goes to the shortest, whatever the order given.
  std::size_t shortest_;
  std::size_t middle_;
  std::size_t longest_;
};

}  // namespace zerak
