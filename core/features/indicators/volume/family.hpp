#pragma once

// Volume indicators.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/indicators/volume/accumulation_distribution.hpp"
#include "features/indicators/volume/chaikin_money_flow.hpp"
#include "features/indicators/volume/mfi.hpp"
#include "features/indicators/volume/obv.hpp"
#include "features/indicators/volume/vwap.hpp"

#define ZERAK_VOLUME_INDICATORS_FAMILY(X) \
  X(Obv) X(AccumulationDistribution) X(ChaikinMoneyFlow) X(Mfi) X(Vwap)

namespace zerak {
ZERAK_VOLUME_INDICATORS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
