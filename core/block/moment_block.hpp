#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "block_series.hpp"
#include "../window/ring.hpp"
#include "../value.hpp"
#include "simd/dispatch.hpp"

namespace zerak {

// window_sums::standardizer for every complete window of a run of bars at
// once: lane j is the run's bar first + j, whose window starts at entry
// start + j of the series.
struct MomentLanes {
  std::size_t first = 0;
  std::size_t start = 0;
  std::vector<double> mean;
  std::vector<double> sd;
  std::vector<std::uint8_t> ok;  // 0 where the standardizer gives nothing

  [[nodiscard]] std::size_t count() const noexcept { return mean.size(); }
};

inline MomentLanes standardize_block(BlockSeries& s, std::size_t held, std::size_t w,
                                     std::size_t bars) {
  MomentLanes m;
  m.first = first_complete(held, w);
  if (m.first >= bars) return m;
  const std::size_t count = bars - m.first;
  m.start = held + m.first + 1 - w;
  m.mean.resize(count);
  m.sd.resize(count);
  m.ok.resize(count);
  const simd::Kernels& k = simd::kernels();
  k.sums(s.data() + m.start, w, count, m.mean.data());
  const double n = static_cast<double>(w);
  for (std::size_t j = 0; j < count; ++j) {
    const std::size_t b = m.start + j;
    m.ok[j] = s.missing(b, b + w) == 0 && !s.constant(b, b + w);
    // Lanes without a result get harmless numbers to compute with.
    m.mean[j] = m.ok[j] ? m.mean[j] / n : 0.0;
  }
  k.centered_squares(s.data() + m.start, w, count, m.mean.data(), m.sd.data());
  const double n1 = static_cast<double>(w - 1);
  for (std::size_t j = 0; j < count; ++j) {
    const double variance = m.sd[j] / n1;
    if (variance == 0.0) m.ok[j] = 0;
    m.sd[j] = m.ok[j] ? std::sqrt(variance) : 1.0;
  }
  return m;
}

// The block of a standardized-moment feature: `power_sums` (a kernel such as
// standardized_cubes) sums the standardized powers of every complete window,
// `finish` turns a sum into the output, and the ring advances bar by bar
// exactly as update would leave it.
template <class Finish>
void standardized_moment_block(Ring& buffer, std::size_t window,
                               decltype(simd::Kernels::standardized_cubes) power_sums,
                               Finish finish, const Value* in, std::span<Value* const> outputs,
                               std::size_t bars) {
  const std::size_t held = buffer.size();
  BlockSeries s;
  s.assign(held, [&buffer](std::size_t i) { return buffer[i]; }, bars,
           [in](std::size_t i) { return in[i]; });
  const MomentLanes m = standardize_block(s, held, window, bars);
  std::vector<double> sums(m.count());
  if (m.count() != 0) {
    power_sums(s.data() + m.start, window, m.count(), m.mean.data(), m.sd.data(), sums.data());
  }
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    out[i] = i >= m.first && m.ok[i - m.first] ? Value(finish(sums[i - m.first])) : kMissing;
    buffer.push(in[i]);
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
