#pragma once

// Technical indicators of high, low and close.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/indicators/range/adx.hpp"
#include "features/indicators/range/atr.hpp"
#include "features/indicators/range/cci.hpp"
#include "features/indicators/range/keltner_channel.hpp"
#include "features/indicators/range/natr.hpp"
#include "features/indicators/range/true_range.hpp"
#include "features/indicators/range/ultimate_oscillator.hpp"

#define ZERAK_RANGE_INDICATORS_FAMILY(X) \
  X(TrueRange) X(Atr) X(Natr) X(Adx) X(Cci) X(UltimateOscillator) X(KeltnerChannel)

namespace zerak {
ZERAK_RANGE_INDICATORS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
