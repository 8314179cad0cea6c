#pragma once

#include "operators/nan_result.hpp"
#include "lag_feature.hpp"

namespace zerak {

// now - old, one subtraction; a NaN difference (inf - inf) is missing.
class Diff final : public LagFeature<Diff> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Difference: x minus x ``periods`` bars ago.",
      .update =
          "Process one bar. Returns ``[NaN]`` during warm-up or if either value is "
          "``NaN``.",
  };

  static void put(Value& out, const Value& old, const Value& now) noexcept {
    store_unless_nan(out, old && now ? *now - *old : kNan);
  }

 private:
  friend class LagFeature<Diff>;
  using LagFeature::LagFeature;
};

}  // namespace zerak
