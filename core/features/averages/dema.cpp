#include "dema.hpp"

#include <utility>

#include "block/block_series.hpp"
#include "features/close_indicator_steps.hpp"

namespace zerak {

Dema::Dema(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
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

inline Value Dema::step(const Value& x) {
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

OutputRow Dema::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  return {step(values[0])};
}

void Dema::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                        std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  Value* out = outputs[0];
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
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
