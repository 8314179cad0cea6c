#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"

namespace zerak {

// Moving average convergence/divergence: [macd, signal, histogram]. Both
// EMAs are seeded on the same bar, the slow one with the mean of the first
// `slow` prices and the fast one with the mean of the last `fast` of them;
// the signal EMA is seeded with the mean of the first `signal` macd values.
// A missing price starts everything over.
class Macd final : public TransformBase<Macd> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Macd>, schema::outputs_param<Macd>,
                      schema::SizeParam<&Macd::fast>{"fast", 12},
                      schema::SizeParam<&Macd::slow>{"slow", 26},
                      schema::SizeParam<&Macd::signal>{"signal", 9}};
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Macd::fast_ema_>{"fast average"},
                      schema::ValueState<&Macd::slow_ema_>{"slow average"},
                      schema::RingState<&Macd::prices_>{"seed prices"},
                      schema::ValueState<&Macd::signal_ema_>{"signal average"},
                      schema::RingState<&Macd::macds_>{"seed macd values"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Moving Average Convergence/Divergence: macd, signal and histogram.",
      .update = "Process one bar. Returns ``[macd, signal, histogram]``, ``NaN`` during warm-up.",
  };

  static Result<Macd> create(Names inputs, Names outputs, std::size_t fast = 12,
                             std::size_t slow = 26, std::size_t signal = 9);

  [[nodiscard]] std::size_t warm_up_period() const override { return slow_ - 1 + signal_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 3; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  [[nodiscard]] std::size_t fast() const noexcept { return fast_; }
  [[nodiscard]] std::size_t slow() const noexcept { return slow_; }
  [[nodiscard]] std::size_t signal() const noexcept { return signal_; }
  [[nodiscard]] const char* restored_problem() const noexcept {
    if (fast_ema_.has_value() != slow_ema_.has_value()) return "one average without the other";
    if (fast_ema_ && !prices_.empty()) return "seed prices beside seeded averages";
    if (!fast_ema_ && (signal_ema_ || !macds_.empty())) return "a signal before the averages";
    if (signal_ema_ && !macds_.empty()) return "seed macd values beside a seeded signal";
    return nullptr;
  }

 private:
  Macd(Names inputs, Names outputs, std::size_t fast, std::size_t slow, std::size_t signal);

  struct Row {
    Value macd;
    Value signal;
    Value histogram;
  };
  Row step(const Value& x);

  Value fast_ema_;
  Value slow_ema_;
  Ring prices_;
  Value signal_ema_;
  Ring macds_;
  std::size_t fast_;
  std::size_t slow_;
  std::size_t signal_;
  double fast_k_;
  double slow_k_;
  double signal_k_;
};

}  // namespace zerak
