#include "wma.hpp"

#include <utility>
#include <vector>

#include "block/block_series.hpp"
#include "features/ring_block.hpp"
#include "simd/dispatch.hpp"
#include "ops/steps.hpp"

namespace zerak {

Wma::Wma(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      ring_(window),
      divisor_(static_cast<double>(window) * (static_cast<double>(window) + 1.0) / 2.0) {}

// 0.0 + 1 * oldest + 2 * next + ... + window * newest, in that order.
OutputRow Wma::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing};
  double sum = 0.0;
  double weight = 0.0;
  for (const auto part : {ring_.first(), ring_.second()}) {
    for (const Value& v : part) {
      if (!v) return {kMissing};
      weight += 1.0;
      sum = steps::sum(sum, *v * weight);
    }
  }
  return {sum / divisor_};
}

// Lanes are bars: each lane sums its window in the order update does, in the
// weighted-sum kernel of the active instruction set.
void Wma::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  if (inputs.empty() || outputs.empty())
    return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  const std::size_t w = window_;
  const RingBlock block(ring_, in, bars, w, w);
  const Lanes& lanes = block.lanes;
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars && i < lanes.first; ++i) out[i] = kMissing;
  if (lanes.count != 0) {
    std::vector<double> sums(lanes.count);
    simd::kernels().weighted_sums(block.window(0), w, lanes.count, sums.data());
    for (std::size_t j = 0; j < lanes.count; ++j) {
      out[lanes.first + j] = block.missing(j) ? kMissing : Value(sums[j] / divisor_);
    }
  }
  ring_.push_many(in, bars);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
