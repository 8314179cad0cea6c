#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../traits.hpp"
#include "../window/ring.hpp"
#include "window_feature.hpp"

namespace zerak {

// Triple exponential moving average: 3 * e1 - 3 * e2 + e3, each EMA that of
// the one before (e1 that of the price), each seeded with the mean of its
// first `window` inputs. A missing price starts everything over.
class Tema final : public WindowFeature<Tema> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Tema::ema1_>{"first average"},
                      schema::RingState<&Tema::seed1_>{"first seed values"},
                      schema::ValueState<&Tema::ema2_>{"second average"},
                      schema::RingState<&Tema::seed2_>{"second seed values"},
                      schema::ValueState<&Tema::ema3_>{"third average"},
                      schema::RingState<&Tema::seed3_>{"third seed values"}};
  }
  static constexpr schema::Docs kDocs{"Triple Exponential Moving Average: 3 * EMA - 3 * EMA of the EMA + its EMA."};

  [[nodiscard]] std::size_t warm_up_period() const override { return 3 * (window_ - 1); }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  // Each average is seeded only after the one it smooths, and then collects
  // no seed values.
  [[nodiscard]] const char* restored_problem() const noexcept;

 private:
  friend class WindowFeature<Tema>;

  Tema(Names inputs, std::size_t window, Names outputs);

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
