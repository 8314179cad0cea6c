#pragma once

#include <cstddef>

#include "window_moment.hpp"

namespace zerak {

// Sum of the last ``window`` values.
class RollingSum final : public WindowMoment<RollingSum, MomentKind::Sum> {
 public:
  static constexpr schema::Docs kDocs{
      "Rolling sum over a sliding window.\n\nReturns ``NaN`` during warm-up and while a ``NaN`` is "
      "in the window. With\n``running=True`` the sum is kept as a compensated running sum, "
      "recomputed\nfrom the window every ``window`` bars and whenever it can no longer be "
      "trusted."};

 private:
  friend class WindowMoment<RollingSum, MomentKind::Sum>;
  RollingSum(Names inputs, std::size_t window, Names outputs, std::size_t ddof, bool running);
};

}  // namespace zerak
