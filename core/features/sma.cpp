#include "sma.hpp"

#include <utility>

#include "../block/block_sums.hpp"
#include "../ops/moments.hpp"
#include "../window/window_sums.hpp"

namespace zerak {

Sma::Sma(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)), ring_(window) {}

OutputRow Sma::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing};
  const Value sum = sum_oldest_first(ring_);
  if (!sum) return {kMissing};
  return {ops::window_mean(*sum, static_cast<double>(window_))};
}

void Sma::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  BlockSeries s;
  s.assign(ring_.size(), [this](std::size_t i) { return ring_[i]; }, bars,
           [in](std::size_t i) { return in[i]; });
  const double n = static_cast<double>(window_);
  window_sum_block(s, ring_.size(), window_, bars, outputs[0],
                   [n](double sum) { return Value(ops::window_mean(sum, n)); });
  for (std::size_t i = 0; i < bars; ++i) ring_.push(in[i]);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
