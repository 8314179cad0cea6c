#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ops/moments.hpp"
#include "simd/dispatch.hpp"

namespace zerak {

// The means and centred sums of `count` windows of w entries at once: lane
// j's window is x[j, j + w) (and y[j, j + w) for a pair of series). Lanes
// that `usable(j)` refuses get the mean 0.0, harmless numbers to compute
// with, and ok[j] == 0: their sums mean nothing.
struct LaneMoments {
  std::vector<std::uint8_t> ok;
  std::vector<double> mean_x;
  std::vector<double> sxx;
  std::vector<double> mean_y;  // pairs only, as are sxy and syy
  std::vector<double> sxy;
  std::vector<double> syy;
};

namespace lane_moments_detail {

// Marks the usable lanes and turns their sums (in mean_x, and mean_y for a
// pair) into means, in one pass.
template <bool Pair, class Usable>
void to_means(LaneMoments& m, std::size_t w, Usable usable) {
  // Plain locals (the test taken by value too): a store through ok, bytes,
  // could alias anything reached through memory, which would be reloaded on
  // every lane.
  const std::size_t count = m.ok.size();
  const double n = static_cast<double>(w);
  std::uint8_t* const ok = m.ok.data();
  double* const mean_x = m.mean_x.data();
  double* const mean_y = m.mean_y.data();
  for (std::size_t j = 0; j < count; ++j) {
    const bool usable_j = usable(j);
    mean_x[j] = usable_j ? ops::window_mean(mean_x[j], n) : 0.0;
    if constexpr (Pair) mean_y[j] = usable_j ? ops::window_mean(mean_y[j], n) : 0.0;
    ok[j] = usable_j;
  }
}

// Moments with every column `count` long: those of x, and of y for a pair.
inline LaneMoments sized(std::size_t count, bool pair) {
  LaneMoments m;
  m.ok.resize(count);
  m.mean_x.resize(count);
  m.sxx.resize(count);
  if (pair) {
    for (std::vector<double>* v : {&m.mean_y, &m.sxy, &m.syy}) v->resize(count);
  }
  return m;
}

}  // namespace lane_moments_detail

template <class Usable>
LaneMoments lane_moments(const double* x, std::size_t w, std::size_t count, Usable&& usable) {
  LaneMoments m = lane_moments_detail::sized(count, false);
  if (count == 0) return m;
  const simd::Kernels& k = simd::kernels();
  k.sums(x, w, count, m.mean_x.data());
  lane_moments_detail::to_means<false>(m, w, usable);
  k.centered_squares(x, w, count, m.mean_x.data(), m.sxx.data());
  return m;
}

template <class Usable>
LaneMoments lane_moments(const double* x, const double* y, std::size_t w, std::size_t count,
                         Usable&& usable) {
  LaneMoments m = lane_moments_detail::sized(count, true);
  if (count == 0) return m;
  const simd::Kernels& k = simd::kernels();
  k.sums(x, w, count, m.mean_x.data());
  k.sums(y, w, count, m.mean_y.data());
  lane_moments_detail::to_means<true>(m, w, usable);
  k.centered_products(x, y, w, count, m.mean_x.data(), m.mean_y.data(), m.sxx.data(), m.sxy.data(),
                      m.syy.data());
  return m;
}

// lane_moments with every mean from a compensated sum and every centred sum
// corrected by its deviations' sum (ops::corrected_sum): accurate far from
// zero, as the exact window moments compute.
template <class Usable>
LaneMoments corrected_lane_moments(const double* x, std::size_t w, std::size_t count,
                                   Usable&& usable) {
  LaneMoments m = lane_moments_detail::sized(count, false);
  if (count == 0) return m;
  const simd::Kernels& k = simd::kernels();
  k.compensated_sums(x, w, count, m.mean_x.data());
  lane_moments_detail::to_means<false>(m, w, usable);
  std::vector<double> dx(count);
  k.centered_squares_and_deviations(x, w, count, m.mean_x.data(), m.sxx.data(), dx.data());
  const double n = static_cast<double>(w);
  for (std::size_t j = 0; j < count; ++j) m.sxx[j] = ops::corrected_sum(m.sxx[j], dx[j], dx[j], n);
  return m;
}

template <class Usable>
LaneMoments corrected_lane_moments(const double* x, const double* y, std::size_t w,
                                   std::size_t count, Usable&& usable) {
  LaneMoments m = lane_moments_detail::sized(count, true);
  if (count == 0) return m;
  const simd::Kernels& k = simd::kernels();
  k.compensated_sums(x, w, count, m.mean_x.data());
  k.compensated_sums(y, w, count, m.mean_y.data());
  lane_moments_detail::to_means<true>(m, w, usable);
  std::vector<double> dx(count);
  std::vector<double> dy(count);
  k.corrected_products(x, y, w, count, m.mean_x.data(), m.mean_y.data(), m.sxx.data(), m.sxy.data(),
                       m.syy.data(), dx.data(), dy.data());
  const double n = static_cast<double>(w);
  for (std::size_t j = 0; j < count; ++j) {
    m.sxx[j] = ops::corrected_sum(m.sxx[j], dx[j], dx[j], n);
    m.sxy[j] = ops::corrected_sum(m.sxy[j], dx[j], dy[j], n);
    m.syy[j] = ops::corrected_sum(m.syy[j], dy[j], dy[j], n);
  }
  return m;
}

}  // namespace zerak
