#pragma once

#include "ewm_spread.hpp"

namespace zerak {

class EwmVariance final : public EwmSpread<EwmVariance> {
 public:
  static constexpr schema::Docs kDocs{
      "Exponentially weighted variance (population) with SMA-style seeding."};

  static double finish(double variance) noexcept { return variance; }

 private:
  friend class WindowFeature<EwmVariance>;
  using EwmSpread::EwmSpread;
};

}  // namespace zerak
