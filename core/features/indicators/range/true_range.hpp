#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// The largest of high - low, |high - previous close| and |low - previous
// close|; the first bar, and the bar after a missing one, have none.
class TrueRange final : public TransformBase<TrueRange> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<TrueRange>, schema::outputs_param<TrueRange>};
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&TrueRange::prev_close_>{"previous close"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "True range of high, low and the previous close.",
      .update =
          "Process one bar of high, low, close. Returns ``[NaN]`` on the first bar "
          "or after a ``NaN`` bar.",
  };

  static Result<TrueRange> create(Names inputs, Names outputs);

  [[nodiscard]] std::size_t warm_up_period() const override { return 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 3; }
  void reset() override { prev_close_.reset(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  TrueRange(Names inputs, Names outputs) : TransformBase(std::move(inputs), std::move(outputs)) {}

  void step(const Value& high, const Value& low, const Value& close, Value& out) noexcept;

  Value prev_close_;
};

}  // namespace zerak
