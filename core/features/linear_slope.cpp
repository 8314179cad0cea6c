#include "linear_slope.hpp"

#include <cstdint>
#include <utility>
#include <vector>

#include "../block/block_series.hpp"
#include "../block/simd/dispatch.hpp"

namespace zerak {

Result<LinearSlope> LinearSlope::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.size() < 2) return invalid_input("inputs must contain x and y columns");
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (outputs.size() != 2) {
    return invalid_input("outputs must contain exactly 2 names: [slope, r2]");
  }
  return LinearSlope(std::move(inputs), window, std::move(outputs));
}

LinearSlope::LinearSlope(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), pairs_(window) {}

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
      sum_x += *p.x;
      sum_y += *p.y;
      constant_x = constant_x && *p.x == first_x;
    }
  }
  // Identical x values leave no slope to fit, even when their mean rounds
  // away from them and Sxx comes out as a tiny positive number.
  if (constant_x) return {kMissing, kMissing};
  const double n = static_cast<double>(window_);
  const double mean_x = sum_x / n;
  const double mean_y = sum_y / n;

  double sxx = 0.0;
  double sxy = 0.0;
  double syy = 0.0;
  for (const auto part : {pairs_.first(), pairs_.second()}) {
    for (const Pair& p : part) {
      const double dx = *p.x - mean_x;
      const double dy = *p.y - mean_y;
      sxx += dx * dx;
      sxy += dx * dy;
      syy += dy * dy;
    }
  }
  if (sxx == 0.0) return {kMissing, kMissing};
  const double slope = sxy / sxx;
  const Value r2 = syy != 0.0 ? Value((sxy * sxy) / (syy * sxx)) : kMissing;
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
  sx.assign(held, [this](std::size_t i) { return pairs_[i].x; }, bars,
            [&inputs](std::size_t i) { return inputs[0][i]; });
  sy.assign(held, [this](std::size_t i) { return pairs_[i].y; }, bars,
            [&inputs](std::size_t i) { return inputs[1][i]; });
  const std::size_t first = first_complete(held, window_);
  const std::size_t count = first < bars ? bars - first : 0;
  const std::size_t start = held + first + 1 - window_;
  std::vector<double> mean_x(count);
  std::vector<double> mean_y(count);
  std::vector<double> sxx(count);
  std::vector<double> sxy(count);
  std::vector<double> syy(count);
  std::vector<std::uint8_t> ok(count);
  if (count != 0) {
    const simd::Kernels& k = simd::kernels();
    k.sums(sx.data() + start, window_, count, mean_x.data());
    k.sums(sy.data() + start, window_, count, mean_y.data());
    const double n = static_cast<double>(window_);
    for (std::size_t j = 0; j < count; ++j) {
      const std::size_t b = start + j;
      // Identical x values leave no slope to fit.
      ok[j] = sx.missing(b, b + window_) == 0 && sy.missing(b, b + window_) == 0 &&
              !sx.constant(b, b + window_);
      mean_x[j] = ok[j] ? mean_x[j] / n : 0.0;
      mean_y[j] = ok[j] ? mean_y[j] / n : 0.0;
    }
    k.centered_products(sx.data() + start, sy.data() + start, window_, count, mean_x.data(),
                        mean_y.data(), sxx.data(), sxy.data(), syy.data());
  }
  for (std::size_t i = 0; i < bars; ++i) {
    pairs_.push(Pair{inputs[0][i], inputs[1][i]});
    const std::size_t j = i - first;
    if (i < first || !ok[j] || sxx[j] == 0.0) {
      outputs[0][i] = kMissing;
      outputs[1][i] = kMissing;
      continue;
    }
    outputs[0][i] = sxy[j] / sxx[j];
    outputs[1][i] = syy[j] != 0.0 ? Value((sxy[j] * sxy[j]) / (syy[j] * sxx[j])) : kMissing;
  }
  fill_missing(outputs, 2, bars);
}

}  // namespace zerak
