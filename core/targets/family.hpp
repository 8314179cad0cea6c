#pragma once

// Forward-looking targets.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "targets/future_ctc_volatility.hpp"
#include "targets/future_linear_slope.hpp"
#include "targets/future_return.hpp"

#define ZERAK_TARGETS_FAMILY(X) \
  X(FutureReturn) X(FutureCTCVolatility) X(FutureLinearSlope)

namespace zerak {
ZERAK_TARGETS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
