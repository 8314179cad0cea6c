#pragma once

#include <cstddef>

#include "block/block_series.hpp"
#include "window/ring.hpp"

namespace zerak {

// A block seen through a window over one column: the entries the ring holds
// (oldest first) then the block's, and the lanes of the bars whose window of
// `span` entries is complete (see lanes_of). Lane j's last `w` entries are
// its window.
class RingBlock {
 public:
  RingBlock(const Ring& ring, const Value* column, std::size_t bars, std::size_t span,
            std::size_t w)
      : lanes(lanes_of(ring.size(), span, w, bars)), w_(w) {
    series.assign(
        ring.size(), [&ring](std::size_t i) { return ring[i]; }, bars,
        [column](std::size_t i) { return column[i]; });
  }

  // Lane j's window: where its doubles start, whether it holds a missing
  // entry, whether its entries are all equal.
  [[nodiscard]] const double* window(std::size_t j) const noexcept {
    return series.data() + lanes.start + j;
  }
  [[nodiscard]] bool missing(std::size_t j) const noexcept {
    const std::size_t b = lanes.start + j;
    return series.missing(b, b + w_) != 0;
  }
  [[nodiscard]] bool constant(std::size_t j) {
    const std::size_t b = lanes.start + j;
    return series.constant(b, b + w_);
  }

  BlockSeries series;
  Lanes lanes;

 private:
  std::size_t w_;
};

}  // namespace zerak
