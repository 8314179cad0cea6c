#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "block/block_series.hpp"
#include "error.hpp"
#include "features/close_indicator_steps.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "features/stepped_feature.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Three chained EMAs of the price (e2 that of e1, e3 that of e2), each seeded
// with the mean of its first `window` inputs; a missing price starts them all
// over. Derived turns the three into its output with
// `static Value combine(double e1, double e2, double e3, const Value& previous_e3)`,
// the same function on the live and the block path.
template <class Derived>
class TripleEma : public SteppedFeature<Derived> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&TripleEma::ema1_>{"first average"},
                      schema::RingState<&TripleEma::seed1_>{"first seed values"},
                      schema::ValueState<&TripleEma::ema2_>{"second average"},
                      schema::RingState<&TripleEma::seed2_>{"second seed values"},
                      schema::ValueState<&TripleEma::ema3_>{"third average"},
                      schema::RingState<&TripleEma::seed3_>{"third seed values"}};
  }

  void reset() override {
    ema1_.reset();
    seed1_.clear();
    ema2_.reset();
    seed2_.clear();
    ema3_.reset();
    seed3_.clear();
  }

  // Each average is seeded only after the one it smooths, and then collects
  // no seed values.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return close_ind::chain_problem({{ema1_, seed1_}, {ema2_, seed2_}, {ema3_, seed3_}});
  }

 protected:
  TripleEma(Names inputs, std::size_t window, Names outputs)
      : SteppedFeature<Derived>(std::move(inputs), window, std::move(outputs)),
        seed1_(window),
        seed2_(window),
        seed3_(window),
        k_(close_ind::ema_constant(window)) {}

 private:
  friend class SteppedFeature<Derived>;

  void step_run(const Value* in, Value* out, std::size_t bars) {
    std::size_t i = 0;
    while (i < bars) {
      if (ema1_ && ema2_ && ema3_) {
        // The seeded run in locals: stores to the output cells could otherwise
        // alias the averages and reload them on every bar.
        double e1 = *ema1_;
        double e2 = *ema2_;
        double e3 = *ema3_;
        for (; i < bars && in[i]; ++i) {
          e1 = close_ind::ema_next(e1, *in[i], k_);
          e2 = close_ind::ema_next(e2, e1, k_);
          const double previous = e3;
          e3 = close_ind::ema_next(e3, e2, k_);
          out[i] = Derived::combine(e1, e2, e3, Value(previous));
        }
        ema1_ = e1;
        ema2_ = e2;
        ema3_ = e3;
        if (i == bars) break;
      }
      out[i] = step(in[i]);
      ++i;
    }
  }

  Value step(const Value& x) {
    if (!x) {
      reset();
      return kMissing;
    }
    const Value e1 = close_ind::seeded_ema(seed1_, ema1_, *x, k_);
    if (!e1) return kMissing;
    const Value e2 = close_ind::seeded_ema(seed2_, ema2_, *e1, k_);
    if (!e2) return kMissing;
    const Value previous = ema3_;  // the last e3, before this bar's step
    const Value e3 = close_ind::seeded_ema(seed3_, ema3_, *e2, k_);
    if (!e3) return kMissing;
    return Derived::combine(*e1, *e2, *e3, previous);
  }

  Value ema1_;
  Ring seed1_;
  Value ema2_;
  Ring seed2_;
  Value ema3_;
  Ring seed3_;
  double k_;
};

}  // namespace zerak
