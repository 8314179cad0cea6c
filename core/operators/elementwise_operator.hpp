#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <span>
#include <utility>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// The element-wise classes' one rule: a NaN result is missing. A NaN input
// (a missing one included: its double is a NaN) and an input outside the
// domain both give NaN, so `compute` needs no branch of its own for them, and
// a block needs no test of its own for missing inputs. Outputs are stored in
// place: an optional returned by value through branches makes a trip through
// the stack on every bar.
inline constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

inline void store_unless_nan(Value& out, double r) noexcept {
  if (r == r) {
    out = r;
  } else {
    out.reset();
  }
}

inline Value nan_is_missing(double r) noexcept { return r == r ? Value(r) : kMissing; }

// Stateless f(A). Derived supplies `double compute(double a) const` (static,
// or a member reading the class's constants).
template <class Derived>
class ElementwiseUnary : public TransformBase<Derived> {
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
    return {nan_is_missing(derived().compute(*values[0]))};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const Derived& f = derived();
    // compute runs on missing inputs too, whose NaN comes out as a NaN: one
    // select without a branch, which vectorises.
    const double* a = doubles(inputs[0]);
    double* y = doubles(outputs[0]);
    for (std::size_t i = 0; i < bars; ++i) {
      const double r = f.compute(a[i]);
      y[i] = r != r ? kMissingDouble : r;
    }
    for (std::size_t k = 1; k < outputs.size(); ++k) std::fill_n(outputs[k], bars, kMissing);
  }
  // Each value feeds arithmetic alone (read twice, it may change a number).
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

 protected:
  using TransformBase<Derived>::TransformBase;

 private:
  [[nodiscard]] const Derived& derived() const noexcept {
    return static_cast<const Derived&>(*this);
  }
};

// Stateless f(A, B). Derived supplies `static double compute(double a, double b)`.
template <class Derived>
class ElementwiseBinary : public TransformBase<Derived> {
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
    return {nan_is_missing(Derived::compute(*values[0], *values[1]))};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const double* a = doubles(inputs[0]);  // as ElementwiseUnary's block
    const double* b = doubles(inputs[1]);
    double* y = doubles(outputs[0]);
    for (std::size_t i = 0; i < bars; ++i) {
      const double r = Derived::compute(a[i], b[i]);
      y[i] = r != r ? kMissingDouble : r;
    }
    for (std::size_t k = 1; k < outputs.size(); ++k) std::fill_n(outputs[k], bars, kMissing);
  }
  // Each value feeds arithmetic alone (read twice, it may change a number).
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

 protected:
  using TransformBase<Derived>::TransformBase;
};

}  // namespace zerak
