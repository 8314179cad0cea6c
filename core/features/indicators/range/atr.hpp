#pragma once

#include "wilder_range.hpp"

namespace zerak {

// Average true range: Wilder's average of the true range over `window` bars.
class Atr final : public WilderRange<Atr> {
 public:
  static constexpr schema::Docs kDocs{
      .summary =
          "Average True Range (Wilder smoothing, seeded with the mean of the first "
          "window true ranges).",
      .update = kWilderRangeUpdateDoc,
  };

  static double finish(double average, double) noexcept { return average; }

 private:
  friend class WindowFeature<Atr>;
  friend class WilderRange<Atr>;
  using WilderRange::WilderRange;
};

extern template class WilderRange<Atr>;

}  // namespace zerak
