#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../traits.hpp"
#include "../window/ring.hpp"
#include "window_feature.hpp"

namespace zerak {

// TRIX: the one-bar rate of change, in percent, of e3, the EMA of the EMA
// of the EMA of the price, each seeded with the mean of its first `window`
// inputs; missing where the previous e3 is 0. A missing price starts
// everything over.
class Trix final : public WindowFeature<Trix> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Trix::ema1_>{"first average"},
                      schema::RingState<&Trix::seed1_>{"first seed values"},
                      schema::ValueState<&Trix::ema2_>{"second average"},
                      schema::RingState<&Trix::seed2_>{"second seed values"},
                      schema::ValueState<&Trix::ema3_>{"third average"},
                      schema::RingState<&Trix::seed3_>{"third seed values"}};
  }
  static constexpr schema::Docs kDocs{"TRIX: one-bar rate of change in percent of a triple EMA."};

  [[nodiscard]] std::size_t warm_up_period() const override { return 3 * (window_ - 1) + 1; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  // Each average is seeded only after the one it smooths, and then collects
  // no seed values.
  [[nodiscard]] const char* restored_problem() const noexcept;

 private:
  friend class WindowFeature<Trix>;

  Trix(Names inputs, std::size_t window, Names outputs);

  Value step(const Value& x);

  Value ema1_;
  Ring seed1_;
  Value ema2_;
  Ring seed2_;
  Value ema3_;
  Ring seed3_;
  double k_;
};

}  // namespace zerak
