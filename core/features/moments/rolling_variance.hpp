#pragma once

#include <cstddef>

#include "window_moment.hpp"

namespace zerak {

// Variance (divisor window - ddof) of the last ``window`` values.
class RollingVariance final : public WindowMoment<RollingVariance, MomentKind::Variance> {
 public:
  static constexpr schema::Docs kDocs{
      "Rolling variance over a sliding window (divisor ``window - ddof``).\n\nReturns ``NaN`` "
      "during warm-up and while a ``NaN`` is in the window; a constant\nwindow gives exactly 0. "
      "With ``running=True`` the variance comes from shifted\nrunning sums, recomputed from the "
      "window every ``window`` bars and whenever\nthey can no longer be trusted: O(1) per bar."};

 private:
  friend class WindowMoment<RollingVariance, MomentKind::Variance>;
  RollingVariance(Names inputs, std::size_t window, Names outputs, std::size_t ddof, bool running);
};

}  // namespace zerak
