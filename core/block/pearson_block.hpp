#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "block_series.hpp"
#include "../ops/correlation.hpp"
#include "simd/dispatch.hpp"

namespace zerak {

// ops::dense::pearson for `count` pairs of windows of w entries at once: lane
// j pairs the x window starting at entry x_start + j of `sx` with the y
// window at y_start + j of `sy`. Lanes whose windows are not complete
// (complete[j] == 0) give missing. The rare lane whose sums leave the normal
// range runs the scalar estimator itself.
inline void pearson_lanes(BlockSeries& sx, std::size_t x_start, BlockSeries& sy,
                          std::size_t y_start, std::size_t w, std::size_t count,
                          const std::uint8_t* complete, Value* out) {
  if (count == 0) return;
  std::vector<double> mean_x(count);
  std::vector<double> mean_y(count);
  std::vector<std::uint8_t> ok(count);
  const simd::Kernels& k = simd::kernels();
  k.sums(sx.data() + x_start, w, count, mean_x.data());
  k.sums(sy.data() + y_start, w, count, mean_y.data());
  const double n = static_cast<double>(w);
  for (std::size_t j = 0; j < count; ++j) {
    // A constant series has no correlation.
    ok[j] = complete[j] && !sx.constant(x_start + j, x_start + j + w) &&
            !sy.constant(y_start + j, y_start + j + w);
    mean_x[j] = ok[j] ? mean_x[j] / n : 0.0;
    mean_y[j] = ok[j] ? mean_y[j] / n : 0.0;
  }
  std::vector<double> sxx(count);
  std::vector<double> sxy(count);
  std::vector<double> syy(count);
  k.centered_products(sx.data() + x_start, sy.data() + y_start, w, count, mean_x.data(),
                      mean_y.data(), sxx.data(), sxy.data(), syy.data());
  for (std::size_t j = 0; j < count; ++j) {
    if (!ok[j]) {
      out[j] = kMissing;
    } else if (ops::dense::pearson_needs_rescaling(sxx[j], syy[j])) {
      out[j] = ops::dense::pearson(std::span<const double>(sx.data() + x_start + j, w),
                                   std::span<const double>(sy.data() + y_start + j, w));
    } else {
      out[j] = sxy[j] / std::sqrt(sxx[j] * syy[j]);
    }
  }
}

}  // namespace zerak
