#pragma once

#include <cstddef>

#include "window_moment.hpp"

namespace zerak {

// Standard deviation (divisor window - ddof) of the last ``window`` values.
class RollingStd final : public WindowMoment<RollingStd, MomentKind::Std> {
 public:
  static constexpr schema::Docs kDocs{
      "Rolling standard deviation over a sliding window (divisor ``window - ddof``).\n\nReturns "
      "``NaN`` during warm-up and while a ``NaN`` is in the window; a constant\nwindow gives "
      "exactly 0. With ``running=True`` the variance comes from shifted\nrunning sums, recomputed "
      "from the window every ``window`` bars and whenever\nthey can no longer be trusted: O(1) per "
      "bar."};

 private:
  friend class WindowMoment<RollingStd, MomentKind::Std>;
  RollingStd(Names inputs, std::size_t window, Names outputs, std::size_t ddof, bool running);
};

}  // namespace zerak
