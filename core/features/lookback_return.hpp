#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "../error.hpp"
#include "../ops/log_columns.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// A return between this bar's price and the price `window` bars ago. Derived
// supplies `static Value apply(const Value& old, const Value& now)`, or for
// a logarithm `static bool log_argument(const Value& old, const Value& now,
// double& g)` (false: missing) with the return ln g, so that its blocks take
// their logarithms through the vector kernel; entries between the two end
// points are never read.
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
    return {apply(prices_.oldest(), prices_.newest())};
  }

  static Value apply(const Value& old, const Value& now) noexcept {
    if constexpr (takes_log()) {
      double g;
      if (!Derived::log_argument(old, now, g)) return kMissing;
      return ops::log(g);
    } else {
      return Derived::apply(old, now);
    }
  }

  // The same per bar, without a call through the interface for each.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (inputs.empty() || outputs.empty()) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    const Value* in = inputs[0];
    Value* out = outputs[0];
    if constexpr (takes_log()) {
      ops::logs_of(
          bars,
          [this, in, out](std::size_t i, double& g) {
            prices_.push(in[i]);
            if (prices_.full() && Derived::log_argument(prices_.oldest(), prices_.newest(), g)) {
              return true;
            }
            out[i] = kMissing;
            return false;
          },
          [out](std::size_t i, double ln_g) { out[i] = ln_g; });
    } else {
      for (std::size_t i = 0; i < bars; ++i) {
        prices_.push(in[i]);
        out[i] = prices_.full() ? Derived::apply(prices_.oldest(), prices_.newest()) : kMissing;
      }
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
  // A function, not a constant: asked only once Derived is complete.
  static constexpr bool takes_log() noexcept {
    return requires(double g) { Derived::log_argument(Value{}, Value{}, g); };
  }

  std::size_t window_;
  Ring prices_;
};

}  // namespace zerak
