#pragma once

#include "lookback_return.hpp"

namespace zerak {

// ln(now / old) for two positive prices; the comparisons also reject NaN.
class LogReturn final : public LookbackReturn<LogReturn> {
 public:
  static constexpr schema::Docs kDocs{"Log return over a configurable lookback window."};

  static bool log_argument(const Value& old, const Value& now, double& g) noexcept {
    if (!old || !now || !(*old > 0.0) || !(*now > 0.0)) return false;
    g = *now / *old;
    return true;
  }

 private:
  friend class LookbackReturn<LogReturn>;
  using LookbackReturn::LookbackReturn;
};

}  // namespace zerak
