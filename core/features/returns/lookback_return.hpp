#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "error.hpp"
#include "ops/log.hpp"
#include "window/ring.hpp"
#include "traits.hpp"
#include "features/column_block.hpp"

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
    const auto run = [this, bars](const Value* in, Value* out) {
      // Bar i's old price, w bars back: in the ring while i < w. The ring is
      // full (update returns a value) from bar w - held on.
      const std::size_t held = prices_.size();
      const std::size_t w = window_;
      const auto each_bar = [&](auto&& step) {
        std::size_t i = 0;
        for (; i < bars && i < w; ++i) {
          const bool full = held + i >= w;
          step(i, full ? prices_[held + i - w] : kMissing, full);
        }
        for (; i < bars; ++i) step(i, in[i - w], true);
      };
      if constexpr (takes_log()) {
        // Every argument first (1.0 standing in where there is none), then
        // their logarithms in one pass of the kernel. Per thread, and reached
        // once: each use of a thread_local in a shared library may cost a call.
        thread_local std::vector<double> argument_storage;
        thread_local std::vector<unsigned char> taken_storage;
        if (argument_storage.size() < bars) {
          argument_storage.resize(bars);
          taken_storage.resize(bars);
        }
        double* const arguments = argument_storage.data();
        unsigned char* const taken = taken_storage.data();
        each_bar([&](std::size_t i, const Value& old, bool full) {
          double g = 1.0;
          taken[i] = full && Derived::log_argument(old, in[i], g);
          arguments[i] = taken[i] != 0 ? g : 1.0;
        });
        ops::log_block(arguments, bars, arguments);
        double* column = doubles(out);
        for (std::size_t i = 0; i < bars; ++i) {
          column[i] = taken[i] != 0 ? arguments[i] : kMissingDouble;
        }
      } else {
        each_bar([&](std::size_t i, const Value& old, bool full) {
          out[i] = full ? Derived::apply(old, in[i]) : kMissing;
        });
      }
      prices_.push_many(in, bars);
    };
    column_block(*this, inputs, outputs, bars, run);
  }
  // Prices only feed arithmetic; the ring keeps whatever it was pushed.
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

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
