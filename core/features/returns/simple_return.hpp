#pragma once

#include "lookback_return.hpp"

namespace zerak {

// (now - old) / old for a positive old price; the new price may be zero or negative.
class SimpleReturn final : public LookbackReturn<SimpleReturn> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Simple (arithmetic) return over a configurable lookback window.",
  };

  static Value apply(const Value& old, const Value& now) noexcept {
    if (!old || !now || !(*old > 0.0)) return kMissing;
    return (*now - *old) / *old;
  }

 private:
  friend class LookbackReturn<SimpleReturn>;
  using LookbackReturn::LookbackReturn;
};

}  // namespace zerak
