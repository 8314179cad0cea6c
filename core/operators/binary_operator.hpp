#pragma once

#include <cstddef>
#include <span>

#include "simd/dispatch.hpp"
#include "nan_result.hpp"
#include "operator_base.hpp"

namespace zerak {

// Stateless A (op) B over the current bar. Derived supplies one of:
// - `static double compute(double a, double b)`: a NaN result is missing
//   (see nan_result.hpp);
// - `static Value apply(double a, double b)`, called only when both are
//   present: its result is kept, a present NaN included; and, when a column
//   kernel computes the same, its `kColumnOp`.
template <class Derived>
class BinaryOperator : public OperatorBase<Derived, 2> {
  using Base = OperatorBase<Derived, 2>;

 public:
  OutputRow update(std::span<const Value> values) override {
    if (values.size() < 2 || !values[0] || !values[1]) return {kMissing};
    if constexpr (computes()) {
      return {nan_is_missing(Derived::compute(*values[0], *values[1]))};
    } else {
      return {Derived::apply(*values[0], *values[1])};
    }
  }

  // The same per pair of values, without a row per bar.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const double* a = doubles(inputs[0]);
    const double* b = doubles(inputs[1]);
    double* y = doubles(outputs[0]);
    if constexpr (computes()) {
      for (std::size_t i = 0; i < bars; ++i) {
        y[i] = nan_is_missing_double(Derived::compute(a[i], b[i]));
      }
    } else if constexpr (requires { Derived::kColumnOp; }) {
      simd::kernels().combine(Derived::kColumnOp, a, b, bars, y);
    } else {
      for (std::size_t i = 0; i < bars; ++i) {
        y[i] = is_missing(a[i]) || is_missing(b[i]) ? kMissingDouble : *Derived::apply(a[i], b[i]);
      }
    }
    Base::leave_others_missing(outputs, bars);
  }

 protected:
  using Base::Base;

 private:
  // A function, not a constant: asked only once Derived is complete.
  static constexpr bool computes() noexcept {
    return requires { Derived::compute(1.0, 1.0); };
  }
};

}  // namespace zerak
