#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <utility>

#include "../error.hpp"
#include "../traits.hpp"

namespace zerak {

// Stateless f(A) over the current bar. Derived supplies
// `static Value apply(double a)`, called only when A is present.
template <class Derived>
class UnaryOperator : public TransformBase<Derived> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Derived>, schema::outputs_param<Derived>};
  }

  static Result<Derived> create(Names inputs, Names outputs) {
    if (inputs.size() != 1) return invalid_input(msg::kInputsExactly1);
    if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
    return Derived(std::move(inputs), std::move(outputs));
  }

  OutputRow update(std::span<const Value> values) override {
    if (values.empty() || !values[0]) return {kMissing};
    return {Derived::apply(*values[0])};
  }

  // The same per value, without a row per bar.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const Value* a = inputs[0];
    Value* y = outputs[0];
    for (std::size_t i = 0; i < bars; ++i) y[i] = a[i] ? Derived::apply(*a[i]) : kMissing;
    for (std::size_t k = 1; k < outputs.size(); ++k) std::fill_n(outputs[k], bars, kMissing);
  }

 protected:
  using TransformBase<Derived>::TransformBase;
};

}  // namespace zerak
