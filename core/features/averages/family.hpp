#pragma once

// Moving averages and exponentially weighted moments.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/averages/dema.hpp"
#include "features/averages/ema.hpp"
#include "features/averages/ewm_std.hpp"
#include "features/averages/ewm_variance.hpp"
#include "features/averages/kama.hpp"
#include "features/averages/mma.hpp"
#include "features/averages/sma.hpp"
#include "features/averages/tema.hpp"
#include "features/averages/trima.hpp"
#include "features/averages/trix.hpp"
#include "features/averages/wma.hpp"

#define ZERAK_AVERAGES_FAMILY(X) \
  X(Sma) X(Ema) X(Kama) X(Mma) X(EwmVariance) X(EwmStd) X(Wma) X(Dema) X(Tema) X(Trix) X(Trima)

namespace zerak {
ZERAK_AVERAGES_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
