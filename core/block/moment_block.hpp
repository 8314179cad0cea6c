#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "ops/accurate_moments.hpp"
#include "ops/moments.hpp"
#include "value.hpp"
#include "window/ring.hpp"
#include "block_series.hpp"
#include "lane_moments.hpp"
#include "simd/dispatch.hpp"

namespace zerak {

// The block of a standardized-moment feature: standardized_power_sum of
// every complete window, turned into the output by `finish`, with the ring
// advanced bar by bar exactly as update would leave it.
template <class Finish>
void standardized_moment_block(Ring& buffer, std::size_t window, ops::Power power, Finish finish,
                               const Value* in, std::span<Value* const> outputs, std::size_t bars) {
  const std::size_t held = buffer.size();
  BlockSeries s;
  s.assign(
      held, [&buffer](std::size_t i) { return buffer[i]; }, bars,
      [in](std::size_t i) { return in[i]; });
  const Lanes lanes = lanes_of(held, window, window, bars);
  const double* x = s.data() + lanes.start;
  LaneMoments m = lane_moments(x, window, lanes.count, [&](std::size_t j) {
    const std::size_t b = lanes.start + j;
    return s.missing(b, b + window) == 0 && !s.constant(b, b + window);
  });
  // The standard deviations go where the squares were; lanes without one
  // divide by 1.0.
  std::vector<double>& sd = m.sxx;
  for (std::size_t j = 0; j < lanes.count; ++j) {
    const auto st = ops::standardizer(m.mean_x[j], m.sxx[j], window);
    if (!st) m.ok[j] = 0;
    sd[j] = m.ok[j] ? st->sd : 1.0;
  }
  std::vector<double> sums(lanes.count);
  if (lanes.count != 0) {
    const simd::Kernels& k = simd::kernels();
    (power == ops::Power::Fourth ? k.standardized_fourths : k.standardized_cubes)(
        x, window, lanes.count, m.mean_x.data(), sd.data(), sums.data());
  }
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    const std::size_t j = i - lanes.first;
    out[i] = i >= lanes.first && m.ok[j] ? Value(finish(sums[j])) : kMissing;
  }
  buffer.push_many(in, bars);
  fill_missing(outputs, 1, bars);
}

// The same with accurate=True: ops::accurate::standardized_power_sum of
// every complete, non-constant window, one at a time.
template <class Finish>
void accurate_moment_block(Ring& buffer, std::size_t window, ops::Power power, Finish finish,
                           const Value* in, std::span<Value* const> outputs, std::size_t bars) {
  const std::size_t held = buffer.size();
  BlockSeries s;
  s.assign(
      held, [&buffer](std::size_t i) { return buffer[i]; }, bars,
      [in](std::size_t i) { return in[i]; });
  const Lanes lanes = lanes_of(held, window, window, bars);
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    const std::size_t b = lanes.start + (i - lanes.first);
    if (i < lanes.first || s.missing(b, b + window) != 0 || s.constant(b, b + window)) {
      out[i] = kMissing;
      continue;
    }
    const double* x = s.data() + b;
    const Value sum = ops::accurate::standardized_power_sum(window, power, [x, window](auto&& f) {
      for (std::size_t k = 0; k < window; ++k) f(x[k]);
    });
    out[i] = sum ? Value(finish(*sum)) : kMissing;
  }
  buffer.push_many(in, bars);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
