#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "features/close_indicator_steps.hpp"
#include "features/stepped_feature.hpp"

namespace zerak {

// Double exponential moving average: 2 * e1 - e2, e1 the EMA of the price
// and e2 the EMA of e1, each seeded with the mean of its first `window`
// inputs. A missing price starts everything over.
class Dema final : public SteppedFeature<Dema> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Dema::ema1_>{"first average"},
                      schema::RingState<&Dema::seed1_>{"first seed values"},
                      schema::ValueState<&Dema::ema2_>{"second average"},
                      schema::RingState<&Dema::seed2_>{"second seed values"}};
  }
  static constexpr schema::Docs kDocs{
      "Double Exponential Moving Average: 2 * EMA - EMA of the EMA."};

  [[nodiscard]] std::size_t warm_up_period() const override { return 2 * (window_ - 1); }
  void reset() override;

  // Each average is seeded only after the one it smooths, and then collects
  // no seed values.
  [[nodiscard]] const char* restored_problem() const noexcept;

 private:
  friend class WindowFeature<Dema>;
  friend class SteppedFeature<Dema>;

  Dema(Names inputs, std::size_t window, Names outputs);

  Value step(const Value& x) {
    if (!x) {
      reset();
      return kMissing;
    }
    const Value e1 = close_ind::seeded_ema(seed1_, ema1_, *x, k_);
    if (!e1) return kMissing;
    const Value e2 = close_ind::seeded_ema(seed2_, ema2_, *e1, k_);
    if (!e2) return kMissing;
    return (2.0 * *e1) - *e2;
  }
  void step_run(const Value* in, Value* out, std::size_t bars);

  Value ema1_;
  Ring seed1_;
  Value ema2_;
  Ring seed2_;
  double k_;
};

}  // namespace zerak
