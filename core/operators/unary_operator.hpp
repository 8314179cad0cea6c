#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "error.hpp"
#include "ops/log.hpp"
#include "traits.hpp"

namespace zerak {

// Stateless f(A) over the current bar. Derived supplies
// `static Value apply(double a)`, called only when A is present. A logarithm
// of some g(A) supplies `static bool log_argument(double a, double& g)`
// (false: the result is missing) and `static double from_log(double ln_g)`
// instead, and its blocks take their logarithms through the vector kernel.
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
    return {apply(*values[0])};
  }

  static Value apply(double a) noexcept {
    if constexpr (takes_log()) {
      double g;
      if (!Derived::log_argument(a, g)) return kMissing;
      return Derived::from_log(ops::log(g));
    } else {
      return Derived::apply(a);
    }
  }

  // The same per value, without a row per bar.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const Value* a = inputs[0];
    Value* y = outputs[0];
    if constexpr (takes_log()) {
      // The arguments into the output column (1.0 standing in where there is
      // none), their logarithms in place in one pass of the kernel, then the
      // results. Per thread, reached once.
      thread_local std::vector<unsigned char> taken_storage;
      if (taken_storage.size() < bars) taken_storage.resize(bars);
      unsigned char* const taken = taken_storage.data();
      double* const out = doubles(y);
      for (std::size_t i = 0; i < bars; ++i) {
        double g = 1.0;
        taken[i] = a[i] && Derived::log_argument(*a[i], g);
        out[i] = taken[i] != 0 ? g : 1.0;
      }
      ops::log_block(out, bars, out);
      for (std::size_t i = 0; i < bars; ++i) {
        y[i] = taken[i] != 0 ? Value(Derived::from_log(out[i])) : kMissing;
      }
    } else {
      const double* x = doubles(a);  // as in BinaryOperator: vectorises
      double* out = doubles(y);
      for (std::size_t i = 0; i < bars; ++i) {
        const double r = *Derived::apply(x[i]);
        out[i] = is_missing(x[i]) ? kMissingDouble : r;
      }
    }
    for (std::size_t k = 1; k < outputs.size(); ++k) std::fill_n(outputs[k], bars, kMissing);
  }
  // Each value feeds arithmetic alone (read twice, it may change a number).
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

 protected:
  using TransformBase<Derived>::TransformBase;

 private:
  // A function, not a constant: asked only once Derived is complete.
  static constexpr bool takes_log() noexcept {
    return requires(double g) { Derived::log_argument(1.0, g); };
  }
};

}  // namespace zerak
