#pragma once

// Quantiles and ranks within a window.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/order_statistics/rolling_quantile.hpp"
#include "features/order_statistics/rolling_rank.hpp"

#define ZERAK_ORDER_STATISTICS_FAMILY(X) \
  X(RollingQuantile) X(RollingRank)

namespace zerak {
ZERAK_ORDER_STATISTICS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
