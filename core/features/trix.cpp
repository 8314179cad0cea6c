#include "trix.hpp"

#include <utility>

#include "../block/block_series.hpp"
#include "../ops/close_indicator_steps.hpp"

namespace zerak {

Trix::Trix(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      seed1_(window),
      seed2_(window),
      seed3_(window),
      k_(close_ind::ema_constant(window)) {}

void Trix::reset() {
  ema1_.reset();
  seed1_.clear();
  ema2_.reset();
  seed2_.clear();
  ema3_.reset();
  seed3_.clear();
}

const char* Trix::restored_problem() const noexcept {
  return close_ind::chain_problem({{ema1_, seed1_}, {ema2_, seed2_}, {ema3_, seed3_}});
}

inline Value Trix::step(const Value& x) {
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
  if (!e3 || !previous || *previous == 0.0) return kMissing;
  return ((*e3 / *previous) - 1.0) * 100.0;
}

OutputRow Trix::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  return {step(values[0])};
}

void Trix::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                        std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  Value* out = outputs[0];
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
        out[i] = previous == 0.0 ? kMissing : Value(((e3 / previous) - 1.0) * 100.0);
      }
      ema1_ = e1;
      ema2_ = e2;
      ema3_ = e3;
      if (i == bars) break;
    }
    out[i] = step(in[i]);
    ++i;
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
