#include "rsi.hpp"

#include <utility>

#include "block/block_series.hpp"

namespace zerak {

Rsi::Rsi(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      seed_(ring_capacity(window, 1)),
      n_(static_cast<double>(window)),
      n_minus_1_(static_cast<double>(window - 1)),
      inverse_n_(1.0 / static_cast<double>(window)) {}

void Rsi::reset() {
  previous_.reset();
  gain_.reset();
  loss_.reset();
  seed_.clear();
}

inline Value Rsi::step(const Value& x) {
  if (!x) {
    reset();
    return kMissing;
  }
  return close_ind::rsi_step({previous_, gain_, loss_, seed_}, *x, n_, n_minus_1_, inverse_n_);
}

OutputRow Rsi::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  return {step(values[0])};
}

void Rsi::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  Value* out = outputs[0];
  std::size_t i = 0;
  while (i < bars) {
    if (close_ind::seeded({previous_, gain_, loss_, seed_})) {
      // The seeded run in locals: stores to the output cells could otherwise
      // alias the averages and reload them on every bar.
      double previous = *previous_;
      double gain = *gain_;
      double loss = *loss_;
      for (; i < bars && in[i]; ++i) {
        out[i] = close_ind::wilder_step(previous, gain, loss, *in[i], n_minus_1_, inverse_n_);
      }
      previous_ = previous;
      gain_ = gain;
      loss_ = loss;
      if (i == bars) break;
    }
    out[i] = step(in[i]);
    ++i;
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
