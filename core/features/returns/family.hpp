#pragma once

// Returns, lags and differences.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/returns/diff.hpp"
#include "features/returns/lag.hpp"
#include "features/returns/log_return.hpp"
#include "features/returns/momentum.hpp"
#include "features/returns/roc.hpp"
#include "features/returns/simple_return.hpp"

#define ZERAK_RETURNS_FAMILY(X) \
  X(SimpleReturn) X(LogReturn) X(Lag) X(Diff) X(Roc) X(Momentum)

namespace zerak {
ZERAK_RETURNS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
