#include "rsi.hpp"

#include <utility>

namespace zerak {

Rsi::Rsi(Names inputs, std::size_t window, Names outputs)
    : SteppedFeature(std::move(inputs), window, std::move(outputs)),
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

void Rsi::step_run(const Value* in, Value* out, std::size_t bars) {
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
}

}  // namespace zerak
