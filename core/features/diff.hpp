#pragma once

#include "lag_feature.hpp"

namespace zerak {

// now - old, one subtraction; a NaN difference (inf - inf) is missing.
class Diff final : public LagFeature<Diff> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Difference: x minus x ``periods`` bars ago.",
      .update = "Process one bar. Returns ``[NaN]`` during warm-up or if either value is "
                "``NaN``.",
  };

  static Value apply(const Value& old, const Value& now) noexcept {
    if (!old || !now) return kMissing;
    const double d = *now - *old;
    if (d != d) return kMissing;
    return d;
  }

 private:
  friend class LagFeature<Diff>;
  using LagFeature::LagFeature;
};

}  // namespace zerak
