#pragma once

#include <cstddef>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "block/block_sums.hpp"
#include "ops/log.hpp"
#include "window/ring.hpp"
#include "window/window_sums.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// A feature whose every bar contributes one term, computed once on arrival,
// and whose value comes from the sum of the last `window` terms (summed
// oldest first, live and in blocks alike). Derived supplies
//   template <class At> static Value term_of(At at)  // at(k): the bar's input k
//   static Value finish(double sum, double n)  // n: the window length
// A term that is a function of K logarithms may also supply
//   static constexpr std::size_t kLogs = K;
//   template <class At> static bool log_arguments(At at, double (&g)[K])  // false: missing
//   static double term_from_logs(const double (&ln_g)[K])
// with term_of the two composed through ops::log (see term_from_arguments):
// blocks then take the logarithms of a whole block through the vector kernel.
template <class Derived>
class TermWindow : public WindowFeature<Derived> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&TermWindow::terms_>{"window terms"}};
  }

  void reset() override { terms_.clear(); }

  OutputRow update(std::span<const Value> values) override {
    if (values.size() < Derived::kValuesRead) return {kMissing};
    const auto at = [&values](std::size_t k) -> const Value& { return values[k]; };
    terms_.push(Derived::term_of(at));
    if (!terms_.full()) return {kMissing};
    const Value sum = sum_oldest_first(terms_);
    if (!sum) return {kMissing};
    return {Derived::finish(*sum, static_cast<double>(this->window_))};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    constexpr std::size_t kRead = Derived::kValuesRead;
    if (inputs.size() < kRead || outputs.empty()) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    const Value* columns[kRead];
    for (std::size_t k = 0; k < kRead; ++k) columns[k] = inputs[k];
    const double n = static_cast<double>(this->window_);
    if constexpr (requires { Derived::kLogs; }) {
      // Every argument (1.0 standing in where there is none), their
      // logarithms in one pass of the kernel, then the terms, which the
      // window sums read as their input column. Argument k of bar i sits at
      // k * bars + i. Per thread, reached once.
      constexpr std::size_t K = Derived::kLogs;
      thread_local std::vector<double> argument_storage;
      thread_local std::vector<Value> term_storage;
      if (argument_storage.size() < K * bars) argument_storage.resize(K * bars);
      if (term_storage.size() < bars) term_storage.resize(bars);
      double* const arguments = argument_storage.data();
      Value* const terms = term_storage.data();
      for (std::size_t i = 0; i < bars; ++i) {
        const auto at = [&columns, i](std::size_t k) -> const Value& { return columns[k][i]; };
        double g[K];
        const bool taken = Derived::log_arguments(at, g);
        for (std::size_t k = 0; k < K; ++k) arguments[k * bars + i] = taken ? g[k] : 1.0;
        terms[i] = taken ? Value::computed(0.0) : kMissing;  // which bars take them
      }
      ops::log_block(arguments, K * bars, arguments);
      for (std::size_t i = 0; i < bars; ++i) {
        if (!terms[i]) continue;
        double ln_g[K];
        for (std::size_t k = 0; k < K; ++k) ln_g[k] = arguments[k * bars + i];
        terms[i] = Derived::term_from_logs(ln_g);
      }
      window_sum_block(
          terms_, [terms](std::size_t i) { return terms[i]; },
          [n](double sum) { return Value(Derived::finish(sum, n)); }, outputs, bars, terms);
      return;
    }
    window_sum_block(
        terms_,
        [&columns](std::size_t i) {
          const auto at = [&columns, i](std::size_t k) -> const Value& { return columns[k][i]; };
          return Derived::term_of(at);
        },
        [n](double sum) { return Value(Derived::finish(sum, n)); }, outputs, bars);
  }

 protected:
  // The term of a class with kLogs, live: its arguments' logarithms one by one.
  template <class At>
  static Value term_from_arguments(At at) noexcept {
    constexpr std::size_t K = Derived::kLogs;
    double g[K];
    if (!Derived::log_arguments(at, g)) return kMissing;
    for (std::size_t k = 0; k < K; ++k) g[k] = ops::log(g[k]);
    return Derived::term_from_logs(g);
  }

  TermWindow(Names inputs, std::size_t window, Names outputs)
      : WindowFeature<Derived>(std::move(inputs), window, std::move(outputs)), terms_(window) {}

  Ring terms_;
};

}  // namespace zerak
