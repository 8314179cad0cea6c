#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <utility>

#include "block/simd/dispatch.hpp"
#include "error.hpp"
#include "traits.hpp"

namespace zerak {

inline constexpr const char* kEitherMissingDoc =
    "Process one bar. Returns ``[NaN]`` if either input is ``NaN``.";

// Stateless A (op) B over the current bar. Derived supplies
// `static Value apply(double a, double b)`, called only when both are present,
// and, when a column kernel computes the same, its `kColumnOp`.
template <class Derived>
class BinaryOperator : public TransformBase<Derived> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Derived>, schema::outputs_param<Derived>};
  }

  static Result<Derived> create(Names inputs, Names outputs) {
    if (inputs.size() != 2) return invalid_input(msg::kInputsExactly2);
    if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
    return Derived(std::move(inputs), std::move(outputs));
  }

  OutputRow update(std::span<const Value> values) override {
    if (values.size() < 2 || !values[0] || !values[1]) return {kMissing};
    return {Derived::apply(*values[0], *values[1])};
  }

  // The same per pair of values, without a row per bar.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const double* a = doubles(inputs[0]);
    const double* b = doubles(inputs[1]);
    double* y = doubles(outputs[0]);
    if constexpr (requires { Derived::kColumnOp; }) {
      simd::kernels().combine(Derived::kColumnOp, a, b, bars, y);
    } else {
      for (std::size_t i = 0; i < bars; ++i) {
        y[i] = is_missing(a[i]) || is_missing(b[i]) ? kMissingDouble : *Derived::apply(a[i], b[i]);
      }
    }
    for (std::size_t k = 1; k < outputs.size(); ++k) std::fill_n(outputs[k], bars, kMissing);
  }
  // Each value feeds arithmetic alone (read twice, it may change a number).
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

 protected:
  using TransformBase<Derived>::TransformBase;
};

}  // namespace zerak
