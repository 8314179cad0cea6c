#pragma once

// Window minima and maxima and the indicators built on them.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/extremes/aroon.hpp"
#include "features/extremes/bars_since_max.hpp"
#include "features/extremes/bars_since_min.hpp"
#include "features/extremes/donchian_channel.hpp"
#include "features/extremes/rolling_max.hpp"
#include "features/extremes/rolling_min.hpp"
#include "features/extremes/stochastic.hpp"
#include "features/extremes/williams_r.hpp"

#define ZERAK_EXTREMES_FAMILY(X) \
  X(RollingMin) X(RollingMax) X(BarsSinceMax) X(BarsSinceMin) X(Stochastic) X(WilliamsR) \
  X(Aroon) X(DonchianChannel)

namespace zerak {
ZERAK_EXTREMES_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
