#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../ops/block_series.hpp"
#include "../simd/dispatch.hpp"

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

}  // namespace zerak
