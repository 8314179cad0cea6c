#pragma once

#include "ops/range_smoothing.hpp"
#include "wilder_range.hpp"

namespace zerak {

// Normalized average true range: 100 * ATR / close.
class Natr final : public WilderRange<Natr> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Normalized Average True Range: 100 * ATR / close.",
      .update = kWilderRangeUpdateDoc,
  };

  // A close within 1e-8 of zero gives 0, as the indicator library has it.
  static double finish(double average, double close) noexcept {
    return close == 0.0 ? 0.0 : (average / close) * 100.0;
  }

 private:
  friend class WindowFeature<Natr>;
  friend class WilderRange<Natr>;
  using WilderRange::WilderRange;
};

extern template class WilderRange<Natr>;

}  // namespace zerak
