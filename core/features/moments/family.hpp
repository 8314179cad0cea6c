#pragma once

// Window sums, variances, covariances and standardized moments.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "features/moments/kurtosis.hpp"
#include "features/moments/rolling_beta.hpp"
#include "features/moments/rolling_covariance.hpp"
#include "features/moments/rolling_std.hpp"
#include "features/moments/rolling_sum.hpp"
#include "features/moments/rolling_variance.hpp"
#include "features/moments/skewness.hpp"

#define ZERAK_MOMENTS_FAMILY(X) \
  X(Skewness) X(Kurtosis) X(RollingSum) X(RollingVariance) X(RollingStd) \
  X(RollingCovariance) X(RollingBeta)

namespace zerak {
ZERAK_MOMENTS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
