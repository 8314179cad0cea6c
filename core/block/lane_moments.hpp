#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../ops/moments.hpp"
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

// Marks the usable lanes and turns their sums (in mean_x, mean_y) into means.
template <class Usable>
void to_means(LaneMoments& m, std::size_t w, const Usable& usable) {
  for (std::size_t j = 0; j < m.ok.size(); ++j) m.ok[j] = usable(j);
  for (std::vector<double>* mean : {&m.mean_x, &m.mean_y}) {
    for (std::size_t j = 0; j < mean->size(); ++j) {
      (*mean)[j] = m.ok[j] ? ops::window_mean((*mean)[j], w) : 0.0;
    }
  }
}

}  // namespace lane_moments_detail

template <class Usable>
LaneMoments lane_moments(const double* x, std::size_t w, std::size_t count, Usable&& usable) {
  LaneMoments m;
  m.ok.resize(count);
  m.mean_x.resize(count);
  m.sxx.resize(count);
  if (count == 0) return m;
  const simd::Kernels& k = simd::kernels();
  k.sums(x, w, count, m.mean_x.data());
  lane_moments_detail::to_means(m, w, usable);
  k.centered_squares(x, w, count, m.mean_x.data(), m.sxx.data());
  return m;
}

template <class Usable>
LaneMoments lane_moments(const double* x, const double* y, std::size_t w, std::size_t count,
                         Usable&& usable) {
  LaneMoments m;
  m.ok.resize(count);
  for (std::vector<double>* v : {&m.mean_x, &m.sxx, &m.mean_y, &m.sxy, &m.syy}) v->resize(count);
  if (count == 0) return m;
  const simd::Kernels& k = simd::kernels();
  k.sums(x, w, count, m.mean_x.data());
  k.sums(y, w, count, m.mean_y.data());
  lane_moments_detail::to_means(m, w, usable);
  k.centered_products(x, y, w, count, m.mean_x.data(), m.mean_y.data(), m.sxx.data(),
                      m.sxy.data(), m.syy.data());
  return m;
}

}  // namespace zerak
