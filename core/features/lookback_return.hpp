#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// A return between this bar's price and the price `window` bars ago. Derived
// supplies `static Value apply(const Value& old, const Value& now)`; entries
// between the two end points are never read.
template <class Derived>
class LookbackReturn : public TransformBase<Derived> {
 public:
  static constexpr auto parameters() { return schema::window_parameters<Derived>(); }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&LookbackReturn::prices_>{"prices"}};
  }

  static Result<Derived> create(Names inputs, std::size_t window, Names outputs) {
    if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
    if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
    if (window == 0) return invalid_input(msg::kWindowZero);
    return Derived(std::move(inputs), window, std::move(outputs));
  }

  [[nodiscard]] std::size_t warm_up_period() const override { return window_; }
  void reset() override { prices_.clear(); }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }

  OutputRow update(std::span<const Value> values) override {
    if (values.empty()) return {kMissing};
    prices_.push(values[0]);
    if (!prices_.full()) return {kMissing};
    return {Derived::apply(prices_.oldest(), prices_.newest())};
  }

  // The same per bar, without a call through the interface for each.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (inputs.empty() || outputs.empty()) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    const Value* in = inputs[0];
    Value* out = outputs[0];
    for (std::size_t i = 0; i < bars; ++i) {
      prices_.push(in[i]);
      out[i] = prices_.full() ? Derived::apply(prices_.oldest(), prices_.newest()) : kMissing;
    }
    for (std::size_t k = 1; k < outputs.size(); ++k) {
      for (std::size_t i = 0; i < bars; ++i) outputs[k][i] = kMissing;
    }
  }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }

 protected:
  LookbackReturn(Names inputs, std::size_t window, Names outputs)
      : TransformBase<Derived>(std::move(inputs), std::move(outputs)),
        window_(window),
        prices_(ring_capacity(window, 1)) {}

 private:
  std::size_t window_;
  Ring prices_;
};

}  // namespace zerak
