#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "window/ring.hpp"
#include "traits.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Exponential moving average seeded with the mean of the first `window`
// consecutive present values; a missing input while seeded starts the seeding over.
class Ema final : public WindowFeature<Ema> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Ema::current_>{"current average"},
                      schema::RingState<&Ema::seed_>{"seed values"}};
  }
  static constexpr schema::Docs kDocs{"Exponential Moving Average with SMA seeding."};

  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  // Seeded stretches run with the average in a register; gaps and seeding
  // go through the one-bar step.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  // A value only feeds the average (read twice, it may change a number).
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

  [[nodiscard]] double alpha() const noexcept { return alpha_; }
  // A seeded average never collects seed values again.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return current_ && !seed_.empty() ? "seed values beside a seeded average" : nullptr;
  }

 private:
  friend class WindowFeature<Ema>;

  Ema(Names inputs, std::size_t window, Names outputs);
  Value step(Value x);

  Value current_;
  Ring seed_;
  double alpha_;
  double one_minus_alpha_;
};

}  // namespace zerak
