#include "dema.hpp"

#include <utility>

namespace zerak {

Dema::Dema(Names inputs, std::size_t window, Names outputs)
    : SteppedFeature(std::move(inputs), window, std::move(outputs)),
      seed1_(window),
      seed2_(window),
      k_(close_ind::ema_constant(window)) {}

void Dema::reset() {
  ema1_.reset();
  seed1_.clear();
  ema2_.reset();
  seed2_.clear();
}

const char* Dema::restored_problem() const noexcept {
  return close_ind::chain_problem({{ema1_, seed1_}, {ema2_, seed2_}});
}

void Dema::step_run(const Value* in, Value* out, std::size_t bars) {
  std::size_t i = 0;
  while (i < bars) {
    if (ema1_ && ema2_) {
      // The seeded run in locals: stores to the output cells could otherwise
      // alias the averages and reload them on every bar.
      double e1 = *ema1_;
      double e2 = *ema2_;
      for (; i < bars && in[i]; ++i) {
        e1 = close_ind::ema_next(e1, *in[i], k_);
        e2 = close_ind::ema_next(e2, e1, k_);
        out[i] = (2.0 * e1) - e2;
      }
      ema1_ = e1;
      ema2_ = e2;
      if (i == bars) break;
    }
    out[i] = step(in[i]);
    ++i;
  }
}

}  // namespace zerak
