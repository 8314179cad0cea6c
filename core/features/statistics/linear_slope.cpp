#include "linear_slope.hpp"

#include <utility>

#include "block/block_series.hpp"
#include "block/lane_moments.hpp"
#include "ops/least_squares.hpp"
#include "ops/moments.hpp"
#include "ops/steps.hpp"

namespace zerak {

LinearSlope::LinearSlope(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)), pairs_(window) {}

OutputRow LinearSlope::update(std::span<const Value> values) {
  if (values.size() < 2) return {kMissing, kMissing};
  pairs_.push(Pair{values[0], values[1]});
  if (!pairs_.full()) return {kMissing, kMissing};

  double sum_x = 0.0;
  double sum_y = 0.0;
  bool constant_x = true;
  const double first_x = pairs_.oldest().x.value_or(0.0);
  for (const auto part : {pairs_.first(), pairs_.second()}) {
    for (const Pair& p : part) {
      if (!p.x || !p.y) return {kMissing, kMissing};
      sum_x = steps::sum(sum_x, *p.x);
      sum_y = steps::sum(sum_y, *p.y);
      constant_x = constant_x && *p.x == first_x;
    }
  }
  // Identical x values leave no slope to fit, even when their mean rounds
  // away from them and Sxx comes out as a tiny positive number.
  if (constant_x) return {kMissing, kMissing};
  const double n = static_cast<double>(window_);
  const double mean_x = ops::window_mean(sum_x, n);
  const double mean_y = ops::window_mean(sum_y, n);
  steps::Products<double> sums{0.0, 0.0, 0.0};
  for (const auto part : {pairs_.first(), pairs_.second()}) {
    for (const Pair& p : part) steps::centered_products(sums, *p.x, *p.y, mean_x, mean_y);
  }
  Value slope;
  Value r2;
  ops::least_squares(sums.xx, sums.xy, sums.yy, slope, r2);
  return {slope, r2};
}

void LinearSlope::update_block(std::span<const Value* const> inputs,
                               std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < 2 || outputs.size() < 2) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const std::size_t held = pairs_.size();
  BlockSeries sx;
  BlockSeries sy;
  sx.assign(
      held, [this](std::size_t i) { return pairs_[i].x; }, bars,
      [&inputs](std::size_t i) { return inputs[0][i]; });
  sy.assign(
      held, [this](std::size_t i) { return pairs_[i].y; }, bars,
      [&inputs](std::size_t i) { return inputs[1][i]; });
  const Lanes lanes = lanes_of(held, window_, window_, bars);
  const LaneMoments m = lane_moments(
      sx.data() + lanes.start, sy.data() + lanes.start, window_, lanes.count, [&](std::size_t j) {
        const std::size_t b = lanes.start + j;
        // Identical x values leave no slope to fit.
        return sx.missing(b, b + window_) == 0 && sy.missing(b, b + window_) == 0 &&
               !sx.constant(b, b + window_);
      });
  for (std::size_t i = 0; i < bars; ++i) {
    pairs_.push(Pair{inputs[0][i], inputs[1][i]});
    const std::size_t j = i - lanes.first;
    if (i < lanes.first || !m.ok[j]) {
      outputs[0][i] = kMissing;
      outputs[1][i] = kMissing;
      continue;
    }
    ops::least_squares(m.sxx[j], m.sxy[j], m.syy[j], outputs[0][i], outputs[1][i]);
  }
  fill_missing(outputs, 2, bars);
}

}  // namespace zerak
