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
#include "features/rolling_beta.hpp"
#include "features/rolling_covariance.hpp"
#include "features/rolling_std.hpp"
#include "features/rolling_sum.hpp"
#include "features/rolling_variance.hpp"
#define ZERAK_WINDOW_MOMENT_CLASSES(X) \
  X(RollingSum) X(RollingVariance) X(RollingStd) X(RollingCovariance) X(RollingBeta)

// Quantiles and ranks within a window.
#include "features/rolling_quantile.hpp"
#include "features/rolling_rank.hpp"
#define ZERAK_ORDER_STATISTIC_CLASSES(X) X(RollingQuantile) X(RollingRank)

// Window minima and maxima and the indicators built on them.
#include "features/aroon.hpp"
#include "features/bars_since_max.hpp"
#include "features/bars_since_min.hpp"
#include "features/donchian_channel.hpp"
#include "features/rolling_max.hpp"
#include "features/rolling_min.hpp"
#include "features/stochastic.hpp"
#include "features/williams_r.hpp"
#define ZERAK_EXTREMUM_CLASSES(X)                                                          \
  X(RollingMin) X(RollingMax) X(BarsSinceMax) X(BarsSinceMin) X(Stochastic) X(WilliamsR) \
  X(Aroon) X(DonchianChannel)

// Lags, differences and element-wise math.
#include "features/diff.hpp"
#include "features/ewm_std.hpp"
#include "features/ewm_variance.hpp"
#include "features/lag.hpp"
#include "operators/abs.hpp"
#include "operators/clip.hpp"
#include "operators/exp.hpp"
#include "operators/maximum.hpp"
#include "operators/minimum.hpp"
#include "operators/scale.hpp"
#include "operators/sign.hpp"
#include "operators/sqrt.hpp"
#define ZERAK_ELEMENTWISE_CLASSES(X)                                                            \
  X(Lag) X(Diff) X(Abs) X(Sqrt) X(Exp) X(Sign) X(Scale) X(Clip) X(Maximum) X(Minimum)       \
  X(EwmVariance) X(EwmStd)

// Technical indicators of one price column.
#include "features/bollinger_bands.hpp"
#include "features/dema.hpp"
#include "features/macd.hpp"
#include "features/momentum.hpp"
#include "features/roc.hpp"
#include "features/rsi.hpp"
#include "features/stochastic_rsi.hpp"
#include "features/tema.hpp"
#include "features/trix.hpp"
#include "features/wma.hpp"
#define ZERAK_CLOSE_INDICATOR_CLASSES(X)                                                   \
  X(Rsi) X(Macd) X(Roc) X(Momentum) X(StochasticRsi) X(Wma) X(Dema) X(Tema) X(Trix) \
  X(BollingerBands)

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
#include "features/accumulation_distribution.hpp"
#include "features/chaikin_money_flow.hpp"
#include "features/garman_klass_volatility.hpp"
#include "features/mfi.hpp"
#include "features/obv.hpp"
#include "features/vwap.hpp"
#include "features/yang_zhang_volatility.hpp"
#define ZERAK_VOLUME_INDICATOR_CLASSES(X)                                               \
  X(Obv) X(AccumulationDistribution) X(ChaikinMoneyFlow) X(Mfi) X(Vwap)                \
  X(GarmanKlassVolatility) X(YangZhangVolatility)

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
