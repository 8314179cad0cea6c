#pragma once

#include "../../features/correlation_method.hpp"
#include "../../ops/adf.hpp"
#include "common.hpp"

namespace zerak::snapshot {

// Enumerations travel as their one-byte codes; unknown codes are refused.
inline bool read_method(SnapshotReader& r, CorrelationMethod& out) {
  std::uint8_t code = 0;
  if (!r.u8(code, "method")) return false;
  if (code > static_cast<std::uint8_t>(CorrelationMethod::Kendall)) {
    return r.fail("unknown correlation method " + std::to_string(code));
  }
  out = static_cast<CorrelationMethod>(code);
  return true;
}

inline bool read_regression(SnapshotReader& r, ops::AdfRegression& out) {
  std::uint8_t code = 0;
  if (!r.u8(code, "regression")) return false;
  if (code > static_cast<std::uint8_t>(ops::AdfRegression::ConstantTrend)) {
    return r.fail("unknown regression " + std::to_string(code));
  }
  out = static_cast<ops::AdfRegression>(code);
  return true;
}

}  // namespace zerak::snapshot
