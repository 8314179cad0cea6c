#pragma once

#include <string_view>

#include "features/adf.hpp"
#include "features/auto_correlation.hpp"
#include "features/correlation.hpp"
#include "features/ema.hpp"
#include "features/kama.hpp"
#include "features/kurtosis.hpp"
#include "features/linear_slope.hpp"
#include "features/log_return.hpp"
#include "features/mma.hpp"
#include "features/parkinson_volatility.hpp"
#include "features/rogers_satchell_volatility.hpp"
#include "features/shannon_entropy.hpp"
#include "features/simple_return.hpp"
#include "features/skewness.hpp"
#include "features/sma.hpp"
#include "operators/add.hpp"
#include "operators/divide.hpp"
#include "operators/log.hpp"
#include "operators/logit.hpp"
#include "operators/multiply.hpp"
#include "operators/neg_log.hpp"
#include "operators/reciprocal.hpp"
#include "operators/subtract.hpp"
#include "pipeline/feature_pipeline.hpp"
#include "pipeline/target_pipeline.hpp"
#include "scalers/fixed_zscore.hpp"
#include "scalers/rolling_zscore.hpp"
#include "targets/future_ctc_volatility.hpp"
#include "targets/future_linear_slope.hpp"
#include "targets/future_return.hpp"

// The one list of the library's classes. The Python module exports them in
// this order (which is also `__all__`'s), the snapshot registry dispatches
// over them, and the class names below are the names users and snapshots see.
// A new class: its header above and one X(...) in its list.

// Transforms (features, operators, scalers), in export order: the first
// classes, then one list per family. A family's headers are included with
// its list's classes above.
#define ZERAK_TRANSFORM_CLASSES(X)                                                      \
  ZERAK_FIRST_CLASSES(X) ZERAK_WINDOW_MOMENT_CLASSES(X) ZERAK_ORDER_STATISTIC_CLASSES(X) \
  ZERAK_EXTREMUM_CLASSES(X) ZERAK_ELEMENTWISE_CLASSES(X) ZERAK_CLOSE_INDICATOR_CLASSES(X) \
  ZERAK_RANGE_INDICATOR_CLASSES(X) ZERAK_VOLUME_INDICATOR_CLASSES(X)

#define ZERAK_FIRST_CLASSES(X)                                                                \
  X(Adf) X(Sma) X(Ema) X(Kama) X(SimpleReturn) X(LogReturn) X(Mma) X(Skewness) X(Kurtosis)   \
  X(LinearSlope) X(ParkinsonVolatility) X(RogersSatchellVolatility) X(ShannonEntropy)         \
  X(Correlation) X(AutoCorrelation) X(Add) X(Subtract) X(Multiply) X(Divide) X(Reciprocal)    \
  X(NegLog) X(Log) X(Logit) X(RollingZScore) X(FixedZScore)

// Rolling sums, variances, covariances.
#define ZERAK_WINDOW_MOMENT_CLASSES(X)

// Quantiles and ranks within a window.
#define ZERAK_ORDER_STATISTIC_CLASSES(X)

// Window minima and maxima and the indicators built on them.
#define ZERAK_EXTREMUM_CLASSES(X)

// Lags, differences and element-wise math.
#define ZERAK_ELEMENTWISE_CLASSES(X)

// Technical indicators of one price column.
#define ZERAK_CLOSE_INDICATOR_CLASSES(X)

// Technical indicators of high, low and close.
#include "features/adx.hpp"
#include "features/atr.hpp"
#include "features/cci.hpp"
#include "features/keltner_channel.hpp"
#include "features/natr.hpp"
#include "features/true_range.hpp"
#include "features/ultimate_oscillator.hpp"
#define ZERAK_RANGE_INDICATOR_CLASSES(X) \
  X(TrueRange) X(Atr) X(Natr) X(Adx) X(Cci) X(UltimateOscillator) X(KeltnerChannel)

// Volume indicators and open-high-low-close volatilities.
#define ZERAK_VOLUME_INDICATOR_CLASSES(X)

// Forward-looking targets, in export order.
#define ZERAK_TARGET_CLASSES(X) X(FutureReturn) X(FutureCTCVolatility) X(FutureLinearSlope)

#define ZERAK_PIPELINE_CLASSES(X) X(FeaturePipeline) X(TargetPipeline)

// Every class with a snapshot.
#define ZERAK_SNAPSHOT_CLASSES(X) \
  ZERAK_TRANSFORM_CLASSES(X) ZERAK_TARGET_CLASSES(X) ZERAK_PIPELINE_CLASSES(X)

namespace zerak {

// The name of a class of the list: its Python name and its snapshot tag.
template <class T>
inline constexpr std::string_view kClassName{};

#define ZERAK_CLASS_NAME(Class) \
  template <>                   \
  inline constexpr std::string_view kClassName<Class> = #Class;
ZERAK_SNAPSHOT_CLASSES(ZERAK_CLASS_NAME)
#undef ZERAK_CLASS_NAME

}  // namespace zerak
