#pragma once

// Z-score scalers.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "scalers/fixed_zscore.hpp"
#include "scalers/rolling_zscore.hpp"

#define ZERAK_SCALERS_FAMILY(X) \
  X(RollingZScore) X(FixedZScore)

namespace zerak {
ZERAK_SCALERS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
