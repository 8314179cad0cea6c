#pragma once

#include "lookback_return.hpp"

namespace zerak {

// The change over a lookback window: now - old.
class Momentum final : public LookbackReturn<Momentum> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Momentum: the change of the price over a lookback window.",
  };

  static Value apply(const Value& old, const Value& now) noexcept {
    if (!old || !now) return kMissing;
    return *now - *old;
  }

 private:
  friend class LookbackReturn<Momentum>;
  using LookbackReturn::LookbackReturn;
};

}  // namespace zerak
