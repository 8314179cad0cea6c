#pragma once

#include <span>
#include <utility>

#include "../error.hpp"
#include "../traits.hpp"

namespace zerak {

// Stateless A (op) B over the current bar. Derived supplies
// `static Value apply(double a, double b)`, called only when both are present.
template <class Derived>
class BinaryOperator : public TransformBase<Derived> {
 public:
  static Result<Derived> create(Names inputs, Names outputs) {
    if (inputs.size() != 2) return invalid_input(msg::kInputsExactly2);
    if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
    return Derived(std::move(inputs), std::move(outputs));
  }

  OutputRow update(std::span<const Value> values) override {
    if (values.size() < 2 || !values[0] || !values[1]) return {kMissing};
    return {Derived::apply(*values[0], *values[1])};
  }

 protected:
  using TransformBase<Derived>::TransformBase;
};

}  // namespace zerak
