#include "sma.hpp"

#include <utility>

#include "block/block_sums.hpp"
#include "ops/moments.hpp"
#include "window/window_sums.hpp"

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
  if (inputs.empty() || outputs.empty())
    return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  const double n = static_cast<double>(window_);
  // DivideBy computes ops::window_mean in a kernel.
  window_sum_block(ring_, [in](std::size_t i) { return in[i]; }, DivideBy{n}, outputs, bars, in);
}

}  // namespace zerak
