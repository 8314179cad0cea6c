#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "features/close_indicator_steps.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "features/stepped_feature.hpp"

namespace zerak {

// Wilder's relative strength index over `window` price changes, seeded with
// the plain averages of the first `window` changes; a missing price starts
// the seeding over.
class Rsi final : public SteppedFeature<Rsi> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Rsi::previous_>{"last price"},
                      schema::ValueState<&Rsi::gain_>{"average gain"},
                      schema::ValueState<&Rsi::loss_>{"average loss"},
                      schema::RingState<&Rsi::seed_>{"seed prices"}};
  }
  static constexpr schema::Docs kDocs{"Relative Strength Index with Wilder smoothing."};
  static constexpr std::span<const WindowCheck> kChecks = kWindowOf2Checks;

  [[nodiscard]] std::size_t warm_up_period() const override { return window_; }
  void reset() override;

  // Seeded averages come in pairs, with their last price and no seed prices.
  [[nodiscard]] const char* restored_problem() const noexcept {
    if (gain_.has_value() != loss_.has_value()) return "one average without the other";
    if (gain_ && (!previous_ || !seed_.empty()))
      return "averages without a price or with seed prices";
    return nullptr;
  }

 private:
  friend class WindowFeature<Rsi>;
  friend class SteppedFeature<Rsi>;

  Rsi(Names inputs, std::size_t window, Names outputs);

  Value step(const Value& x) {
    if (!x) {
      reset();
      return kMissing;
    }
    return close_ind::rsi_step({previous_, gain_, loss_, seed_}, *x, n_, n_minus_1_, inverse_n_);
  }
  void step_run(const Value* in, Value* out, std::size_t bars);

  Value previous_;
  Value gain_;
  Value loss_;
  Ring seed_;  // window + 1 prices give the first window changes
  double n_;
  double n_minus_1_;
  double inverse_n_;
};

}  // namespace zerak
