#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "ops/correlation.hpp"
#include "value.hpp"
#include "block_series.hpp"
#include "lane_moments.hpp"

namespace zerak {

// ops::dense::pearson for `count` pairs of windows of w entries at once: lane
// j pairs the x window starting at entry x_start + j of `sx` with the y
// window at y_start + j of `sy`. Lanes whose windows are not complete
// (complete[j] == 0) give missing. The rare lane whose sums leave the normal
// range runs the scalar estimator itself.
inline void pearson_lanes(BlockSeries& sx, std::size_t x_start, BlockSeries& sy,
                          std::size_t y_start, std::size_t w, std::size_t count,
                          const std::uint8_t* complete, Value* out) {
  const double* x = sx.data() + x_start;
  const double* y = sy.data() + y_start;
  const LaneMoments m = lane_moments(x, y, w, count, [&](std::size_t j) {
    // A constant series has no correlation.
    return complete[j] && !sx.constant(x_start + j, x_start + j + w) &&
           !sy.constant(y_start + j, y_start + j + w);
  });
  for (std::size_t j = 0; j < count; ++j) {
    if (!m.ok[j]) {
      out[j] = kMissing;
    } else if (ops::dense::pearson_needs_rescaling(m.sxx[j], m.syy[j])) {
      out[j] =
          ops::dense::pearson(std::span<const double>(x + j, w), std::span<const double>(y + j, w));
    } else {
      out[j] = ops::dense::pearson_from_sums(m.sxx[j], m.sxy[j], m.syy[j]);
    }
  }
}

}  // namespace zerak
