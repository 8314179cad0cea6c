#pragma once

// Open-high-low-close volatility estimators.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/volatility/garman_klass_volatility.hpp"
#include "features/volatility/parkinson_volatility.hpp"
#include "features/volatility/rogers_satchell_volatility.hpp"
#include "features/volatility/yang_zhang_volatility.hpp"

#define ZERAK_VOLATILITY_FAMILY(X) \
  X(ParkinsonVolatility) X(RogersSatchellVolatility) X(GarmanKlassVolatility) \
  X(YangZhangVolatility)

namespace zerak {
ZERAK_VOLATILITY_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
