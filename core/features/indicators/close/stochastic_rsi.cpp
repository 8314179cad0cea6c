#include "stochastic_rsi.hpp"

#include <utility>

#include "block/block_series.hpp"
#include "features/close_indicator_steps.hpp"

namespace zerak {

Result<StochasticRsi> StochasticRsi::create(Names inputs, Names outputs, std::size_t window,
                                            std::size_t fastk, std::size_t fastd) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.size() != 2)
    return invalid_input("outputs must contain exactly 2 names: [fastk, fastd]");
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (fastk == 0) return invalid_input("fastk must be >= 1");
  if (fastd == 0) return invalid_input("fastd must be >= 1");
  return StochasticRsi(std::move(inputs), std::move(outputs), window, fastk, fastd);
}

StochasticRsi::StochasticRsi(Names inputs, Names outputs, std::size_t window, std::size_t fastk,
                             std::size_t fastd)
    : TransformBase(std::move(inputs), std::move(outputs)),
      seed_(ring_capacity(window, 1)),
      rsis_(fastk),
      ks_(fastd),
      window_(window),
      fastk_(fastk),
      fastd_(fastd),
      n_(static_cast<double>(window)),
      n_minus_1_(static_cast<double>(window - 1)),
      inverse_n_(1.0 / static_cast<double>(window)) {}

void StochasticRsi::reset() {
  previous_.reset();
  gain_.reset();
  loss_.reset();
  seed_.clear();
  rsis_.clear();
  ks_.clear();
}

inline StochasticRsi::Row StochasticRsi::step(const Value& x) {
  if (!x) {
    reset();
    return {};
  }
  const Value rsi =
      close_ind::rsi_step({previous_, gain_, loss_, seed_}, *x, n_, n_minus_1_, inverse_n_);
  if (!rsi) return {};
  rsis_.push(rsi);
  if (!rsis_.full()) return {};
  // A short window: a plain scan is as quick as a monotonic queue.
  double lowest = *rsi;
  double highest = *rsi;
  for (const auto part : {rsis_.first(), rsis_.second()}) {
    for (const Value& v : part) {
      if (!v) return {};  // only a hand-made snapshot holds one
      lowest = *v < lowest ? *v : lowest;
      highest = *v > highest ? *v : highest;
    }
  }
  // A range of rounding noise (the RSI of a flat run wobbles in its last
  // bits) counts as none, with the classic library's threshold.
  const double range = (highest - lowest) / 100.0;
  const double k = -1e-14 < range && range < 1e-14 ? 0.0 : (*rsi - lowest) / range;
  ks_.push(k);
  if (!ks_.full()) return {};
  const Value sum = close_ind::sum_newest(ks_, fastd_);
  if (!sum) return {};
  return {k, *sum / static_cast<double>(fastd_)};
}

OutputRow StochasticRsi::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing, kMissing};
  const Row r = step(values[0]);
  return {r.k, r.d};
}

void StochasticRsi::update_block(std::span<const Value* const> inputs,
                                 std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.empty() || outputs.size() < 2) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* in = inputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    const Row r = step(in[i]);
    outputs[0][i] = r.k;
    outputs[1][i] = r.d;
  }
  fill_missing(outputs, 2, bars);
}

}  // namespace zerak
