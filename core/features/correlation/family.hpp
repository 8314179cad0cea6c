#pragma once

// Correlations of two columns or of a column with its past.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/correlation/auto_correlation.hpp"
#include "features/correlation/correlation.hpp"

#define ZERAK_CORRELATION_FAMILY(X) \
  X(Correlation) X(AutoCorrelation)

namespace zerak {
ZERAK_CORRELATION_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
