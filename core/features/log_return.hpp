#pragma once

#include <cmath>

#include "lookback_return.hpp"

namespace zerak {

// ln(now / old) for two positive prices; the comparisons also reject NaN.
class LogReturn final : public LookbackReturn<LogReturn> {
 public:
  static constexpr schema::Docs kDocs{"Log return over a configurable lookback window."};

  static Value apply(const Value& old, const Value& now) noexcept {
    if (!old || !now || !(*old > 0.0) || !(*now > 0.0)) return kMissing;
    return std::log(*now / *old);
  }

 private:
  friend class LookbackReturn<LogReturn>;
  using LookbackReturn::LookbackReturn;
};

}  // namespace zerak
