#pragma once

#include "lookback_return.hpp"

namespace zerak {

// Rate of change in percent: (now / old - 1) * 100; missing where the old
// price is 0, which leaves no rate.
class Roc final : public LookbackReturn<Roc> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Rate of change in percent over a lookback window.",
  };

  static Value apply(const Value& old, const Value& now) noexcept {
    if (!old || !now || *old == 0.0) return kMissing;
    return ((*now / *old) - 1.0) * 100.0;
  }

 private:
  friend class LookbackReturn<Roc>;
  using LookbackReturn::LookbackReturn;
};

}  // namespace zerak
