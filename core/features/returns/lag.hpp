#pragma once

#include "lag_feature.hpp"

namespace zerak {

// The value `periods` bars ago, as it was (a copy of its bits).
class Lag final : public LagFeature<Lag> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Lagged value: x shifted by ``periods`` bars.",
      .update =
          "Process one bar. Returns ``[NaN]`` during warm-up or if the lagged value is "
          "``NaN``.",
  };

  static void put(Value& out, const Value& old, const Value&) noexcept { out = old; }

 private:
  friend class LagFeature<Lag>;
  using LagFeature::LagFeature;
};

}  // namespace zerak
