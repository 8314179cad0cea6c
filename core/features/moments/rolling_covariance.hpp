#pragma once

#include <cstddef>

#include "window_moment.hpp"

namespace zerak {

// Covariance (divisor window - ddof) of the two inputs over the last ``window`` bars.
class RollingCovariance final : public WindowMoment<RollingCovariance, MomentKind::Covariance> {
 public:
  static constexpr schema::Docs kDocs{
      "Rolling covariance of two input series (divisor ``window - ddof``).\n\nReturns ``NaN`` "
      "during warm-up and while a ``NaN`` is in the window; 0 when\neither series is constant. "
      "With ``running=True`` it comes from shifted running\nsums, recomputed from the window every "
      "``window`` bars and whenever they can\nno longer be trusted: O(1) per bar."};

 private:
  friend class WindowMoment<RollingCovariance, MomentKind::Covariance>;
  RollingCovariance(Names inputs, std::size_t window, Names outputs, std::size_t ddof,
                    bool running);
};

}  // namespace zerak
