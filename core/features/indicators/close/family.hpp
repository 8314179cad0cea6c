#pragma once

// Technical indicators of one price column.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/indicators/close/bollinger_bands.hpp"
#include "features/indicators/close/macd.hpp"
#include "features/indicators/close/rsi.hpp"
#include "features/indicators/close/stochastic_rsi.hpp"

#define ZERAK_CLOSE_INDICATORS_FAMILY(X) \
  X(Rsi) X(Macd) X(StochasticRsi) X(BollingerBands)

namespace zerak {
ZERAK_CLOSE_INDICATORS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
