#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "nan_result.hpp"
#include "operator_base.hpp"
#include "ops/log.hpp"

namespace zerak {

// Stateless f(A) over the current bar. Derived supplies one of:
// - `double compute(double a) const` (static, or a member reading the
//   class's constants): a NaN result is missing (see nan_result.hpp);
// - `static Value apply(double a)`, called only when A is present: its
//   result is kept, a present NaN included;
// - for a logarithm of some g(A), `static bool log_argument(double a,
//   double& g)` (false: the result is missing) and `static double
//   from_log(double ln_g)`, so that blocks take their logarithms through the
//   vector kernel.
template <class Derived>
class UnaryOperator : public OperatorBase<Derived, 1> {
  using Base = OperatorBase<Derived, 1>;

 public:
  OutputRow update(std::span<const Value> values) override {
    if (values.empty() || !values[0]) return {kMissing};
    return {value_of(*values[0])};
  }

  // The same per value, without a row per bar.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const double* a = doubles(inputs[0]);
    double* y = doubles(outputs[0]);
    if constexpr (computes()) {
      // compute runs on missing inputs too, whose NaN comes out missing.
      const Derived& f = this->derived();
      for (std::size_t i = 0; i < bars; ++i) y[i] = nan_is_missing_double(f.compute(a[i]));
    } else if constexpr (takes_log()) {
      log_block(a, y, bars);
    } else {
      for (std::size_t i = 0; i < bars; ++i) {
        const double r = *Derived::apply(a[i]);
        y[i] = is_missing(a[i]) ? kMissingDouble : r;
      }
    }
    Base::leave_others_missing(outputs, bars);
  }

 protected:
  using Base::Base;

 private:
  // Functions, not constants: asked only once Derived is complete.
  static constexpr bool computes() noexcept {
    return requires(const Derived& f) { f.compute(1.0); };
  }
  static constexpr bool takes_log() noexcept {
    return requires(double g) { Derived::log_argument(1.0, g); };
  }

  [[nodiscard]] Value value_of(double a) const noexcept {
    if constexpr (computes()) {
      return nan_is_missing(this->derived().compute(a));
    } else if constexpr (takes_log()) {
      double g;
      if (!Derived::log_argument(a, g)) return kMissing;
      return Derived::from_log(ops::log(g));
    } else {
      return Derived::apply(a);
    }
  }

  // The arguments into the output column (1.0 standing in where there is
  // none), their logarithms in place in one pass of the kernel, then the
  // results. Per thread, reached once.
  static void log_block(const double* a, double* y, std::size_t bars) {
    thread_local std::vector<unsigned char> taken_storage;
    if (taken_storage.size() < bars) taken_storage.resize(bars);
    unsigned char* const taken = taken_storage.data();
    for (std::size_t i = 0; i < bars; ++i) {
      double g = 1.0;
      taken[i] = !is_missing(a[i]) && Derived::log_argument(a[i], g);
      y[i] = taken[i] != 0 ? g : 1.0;
    }
    ops::log_block(y, bars, y);
    for (std::size_t i = 0; i < bars; ++i) {
      y[i] = taken[i] != 0 ? *Value(Derived::from_log(y[i])) : kMissingDouble;
    }
  }
};

}  // namespace zerak
