#pragma once

#include <cstddef>
#include <span>
#include <tuple>

#include "error.hpp"
#include "ops/volume_steps.hpp"
#include "traits.hpp"

namespace zerak {

// Accumulation/distribution line: the running total, from 0, of each bar's
// money-flow volume ((C - L) - (H - C)) / (H - L) * V (0 for a bar without a
// positive range). A missing input gives a missing output and the total
// starts over from 0 at the next complete bar.
class AccumulationDistribution final : public TransformBase<AccumulationDistribution> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<AccumulationDistribution>,
                      schema::outputs_param<AccumulationDistribution>};
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&AccumulationDistribution::total_>{"running total"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Accumulation/distribution line (running total of money-flow volume).",
      .update =
          "Process one bar. Returns ``[NaN]`` on ``NaN`` input; the total then "
          "starts over from 0.",
  };
  static constexpr std::size_t kValuesRead = 4;

  static Result<AccumulationDistribution> create(Names inputs, Names outputs);

  void reset() override { total_.reset(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return kValuesRead; }

 private:
  AccumulationDistribution(Names inputs, Names outputs)
      : TransformBase(std::move(inputs), std::move(outputs)) {}

  Value step(const Value& high, const Value& low, const Value& close,
             const Value& volume) noexcept {
    if (!high || !low || !close || !volume) {
      total_.reset();
      return kMissing;
    }
    const double start = total_ ? *total_ : 0.0;
    total_ = start + volume_steps::money_flow_volume(*high, *low, *close, *volume);
    return total_;
  }

  Value total_;
};

}  // namespace zerak
