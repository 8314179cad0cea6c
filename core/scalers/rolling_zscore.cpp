#include "rolling_zscore.hpp"

#include <cmath>
#include <utility>

#include "block/block_series.hpp"
#include "features/ring_block.hpp"
#include "block/lane_moments.hpp"
#include "window/window_sums.hpp"

namespace zerak {
namespace {

// x in standard units of its window, from the window's mean and centred sum
// of squares, written to `out` (a live row's value, or a block's output cell,
// without a copy in between). A variance that is not positive (NaN included,
// or one that underflowed to zero) gives none.
void zscore(double x, double mean, double squares, std::size_t window, Value& out) noexcept {
  const double variance = squares / (static_cast<double>(window) - 1.0);
  if (variance > 0.0) {
    out = (x - mean) / std::sqrt(variance);
  } else {
    out = kMissing;
  }
}

}  // namespace

RollingZScore::RollingZScore(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)), ring_(window) {}

OutputRow RollingZScore::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  const Value x = values[0];
  ring_.push(x);
  // Equal values have no scale. Rounding in the mean can leave them a tiny
  // positive variance (three times 0.1 would score -0.816): window_moments
  // refuses them, as it does a window with a missing entry (x included).
  const auto m = window_moments(ring_);
  if (!m) return {kMissing};
  Value z;
  zscore(*x, m->mean, m->squares, window_, z);
  return {z};
}

void RollingZScore::update_block(std::span<const Value* const> inputs,
                                 std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.empty() || outputs.empty())
    return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  RingBlock block(ring_, in, bars, window_, window_);
  const Lanes& lanes = block.lanes;
  // The window includes x, so a missing x is a missing entry too.
  const LaneMoments m = lane_moments(block.window(0), window_, lanes.count, [&](std::size_t j) {
    return !block.missing(j) && !block.constant(j);
  });
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    const std::size_t j = i - lanes.first;
    if (i < lanes.first || !m.ok[j]) {
      out[i] = kMissing;
      continue;
    }
    zscore(*in[i], m.mean_x[j], m.sxx[j], window_, out[i]);
  }
  ring_.push_many(in, bars);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
