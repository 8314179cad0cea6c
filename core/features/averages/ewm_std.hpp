#pragma once

#include <cmath>

#include "ewm_spread.hpp"

namespace zerak {

class EwmStd final : public EwmSpread<EwmStd> {
 public:
  static constexpr schema::Docs kDocs{
      "Exponentially weighted standard deviation: the square root of EwmVariance."};

  static double finish(double variance) noexcept { return std::sqrt(variance); }

 private:
  friend class WindowFeature<EwmStd>;
  using EwmSpread::EwmSpread;
};

}  // namespace zerak
