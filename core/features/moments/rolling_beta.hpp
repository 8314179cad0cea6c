#pragma once

#include <cstddef>

#include "window_moment.hpp"

namespace zerak {

// Slope of the second input on the first: cov(x, y) / var(x) over the last ``window`` bars.
class RollingBeta final : public WindowMoment<RollingBeta, MomentKind::Beta> {
 public:
  static constexpr schema::Docs kDocs{
      "Rolling beta: cov(x, y) / var(x) over a sliding window, for inputs [x, y].\n\nReturns "
      "``NaN`` during warm-up, while a ``NaN`` is in the window, and when x is\nconstant (no "
      "variance). With ``running=True`` it comes from shifted running\nsums, recomputed from the "
      "window every ``window`` bars and whenever they can\nno longer be trusted: O(1) per bar."};

 private:
  friend class WindowMoment<RollingBeta, MomentKind::Beta>;
  RollingBeta(Names inputs, std::size_t window, Names outputs, std::size_t ddof, bool running);
};

}  // namespace zerak
