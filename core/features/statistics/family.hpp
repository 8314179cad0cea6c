#pragma once

// Regression and information statistics of a window.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/statistics/adf.hpp"
#include "features/statistics/linear_slope.hpp"
#include "features/statistics/shannon_entropy.hpp"

#define ZERAK_STATISTICS_FAMILY(X) \
  X(Adf) X(LinearSlope) X(ShannonEntropy)

namespace zerak {
ZERAK_STATISTICS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
