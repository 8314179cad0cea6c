#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <utility>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "features/column_block.hpp"

namespace zerak {

// A function of this bar's value and the value `periods` bars ago, as
// (inputs, periods, outputs). Derived supplies
// `static void put(Value& out, const Value& old, const Value& now)`, storing
// the output in place; `old` is missing during the warm-up. The ring keeps
// the last `periods` values.
template <class Derived>
class LagFeature : public TransformBase<Derived> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Derived>,
                      schema::SizeParam<&Derived::periods>{"periods"},
                      schema::outputs_param<Derived>};
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&LagFeature::past_>{"past values"}};
  }

  static Result<Derived> create(Names inputs, std::size_t periods, Names outputs) {
    if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
    if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
    // A lag of 0 would be the identity (Lag) or constant zero (Diff).
    if (periods == 0) return ZerakError::invalid_input("periods must be >= 1");
    return Derived(std::move(inputs), periods, std::move(outputs));
  }

  [[nodiscard]] std::size_t periods() const noexcept { return periods_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return periods_; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }
  void reset() override { past_.clear(); }

  OutputRow update(std::span<const Value> values) override {
    if (values.empty()) return {kMissing};
    Value out;
    Derived::put(out, past_.full() ? past_.oldest() : kMissing, values[0]);
    past_.push(values[0]);
    return {out};
  }

  // Bars less than `periods` into the block find their old value in the
  // ring, the others `periods` bars back in the block itself; the ring then
  // keeps the block's last values.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const auto run = [this, bars](const Value* in, Value* out) {
      const std::size_t p = periods_;
      const std::size_t held = past_.size();
      const std::size_t head = std::min(bars, p);
      for (std::size_t i = 0; i < head; ++i) {
        Derived::put(out[i], held + i >= p ? past_[held + i - p] : kMissing, in[i]);
      }
      for (std::size_t i = head; i < bars; ++i) Derived::put(out[i], in[i - p], in[i]);
      std::size_t from = 0;
      if (bars >= p) {  // the ring is replaced whole: O(bars) whatever periods is
        past_.clear();
        from = bars - p;
      }
      for (std::size_t i = from; i < bars; ++i) past_.push(in[i]);
    };
    column_block(*this, inputs, outputs, bars, run);
  }
  // Values are only passed on, or their differences taken.
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

 protected:
  LagFeature(Names inputs, std::size_t periods, Names outputs)
      : TransformBase<Derived>(std::move(inputs), std::move(outputs)),
        periods_(periods),
        past_(periods) {}

 private:
  std::size_t periods_;
  Ring past_;
};

}  // namespace zerak
