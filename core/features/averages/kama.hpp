#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "window/ring.hpp"
#include "traits.hpp"

namespace zerak {

// Kaufman's adaptive moving average: the smoothing constant moves between the
// slow and fast constants with the efficiency ratio of the last `window` changes.
class Kama final : public TransformBase<Kama> {
 public:
  static constexpr auto parameters() {
    // fast and slow stay out of the repr: the object keeps only their constants.
    return std::tuple_cat(
        schema::window_parameters<Kama>(),
        std::tuple{schema::SizeParam<&Kama::fast>{"fast", 2, schema::Repr::Hidden},
                   schema::SizeParam<&Kama::slow>{"slow", 30, schema::Repr::Hidden}});
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Kama::current_>{"current average"},
                      schema::RingState<&Kama::prices_>{"prices"}};
  }
  static constexpr schema::Docs kDocs{"Kaufman's Adaptive Moving Average."};

  static Result<Kama> create(Names inputs, std::size_t window, Names outputs, std::size_t fast = 2,
                             std::size_t slow = 30);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t fast() const noexcept { return fast_; }
  [[nodiscard]] std::size_t slow() const noexcept { return slow_; }
  // The average exists only once a full window of prices has been seen.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return current_ && !prices_.full() ? "an average before a full window of prices" : nullptr;
  }

 private:
  Kama(Names inputs, std::size_t window, Names outputs, std::size_t fast, std::size_t slow);

  // The average after a window of present prices, from the sum of its changes,
  // its oldest and newest prices and `prev`: the average before, or while there
  // is none, the price before the newest. update and update_block share it.
  [[nodiscard]] double next_average(double volatility, double oldest, double prev,
                                    double newest) const noexcept;

  Value current_;
  Ring prices_;  // window + 1 prices give window changes
  std::size_t window_;
  std::size_t fast_;  // kept to rebuild the object, e.g. from a snapshot
  std::size_t slow_;
  double fast_constant_;
  double slow_constant_;
};

}  // namespace zerak
