#pragma once

#include <string_view>

#include "features/statistics/adf.hpp"
#include "features/correlation/auto_correlation.hpp"
#include "features/correlation/correlation.hpp"
#include "features/averages/ema.hpp"
#include "features/averages/kama.hpp"
#include "features/moments/kurtosis.hpp"
#include "features/statistics/linear_slope.hpp"
#include "features/returns/log_return.hpp"
#include "features/averages/mma.hpp"
#include "features/volatility/parkinson_volatility.hpp"
#include "features/volatility/rogers_satchell_volatility.hpp"
#include "features/statistics/shannon_entropy.hpp"
#include "features/returns/simple_return.hpp"
#include "features/moments/skewness.hpp"
#include "features/averages/sma.hpp"
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
#include "features/moments/rolling_beta.hpp"
#include "features/moments/rolling_covariance.hpp"
#include "features/moments/rolling_std.hpp"
#include "features/moments/rolling_sum.hpp"
#include "features/moments/rolling_variance.hpp"
#define ZERAK_WINDOW_MOMENT_CLASSES(X) \
  X(RollingSum) X(RollingVariance) X(RollingStd) X(RollingCovariance) X(RollingBeta)

// Quantiles and ranks within a window.
#include "features/order_statistics/rolling_quantile.hpp"
#include "features/order_statistics/rolling_rank.hpp"
#define ZERAK_ORDER_STATISTIC_CLASSES(X) X(RollingQuantile) X(RollingRank)

// Window minima and maxima and the indicators built on them.
#include "features/extremes/aroon.hpp"
#include "features/extremes/bars_since_max.hpp"
#include "features/extremes/bars_since_min.hpp"
#include "features/extremes/donchian_channel.hpp"
#include "features/extremes/rolling_max.hpp"
#include "features/extremes/rolling_min.hpp"
#include "features/extremes/stochastic.hpp"
#include "features/extremes/williams_r.hpp"
#define ZERAK_EXTREMUM_CLASSES(X)                                                          \
  X(RollingMin) X(RollingMax) X(BarsSinceMax) X(BarsSinceMin) X(Stochastic) X(WilliamsR) \
  X(Aroon) X(DonchianChannel)

// Lags, differences and element-wise math.
#include "features/returns/diff.hpp"
#include "features/averages/ewm_std.hpp"
#include "features/averages/ewm_variance.hpp"
#include "features/returns/lag.hpp"
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
#include "features/indicators/close/bollinger_bands.hpp"
#include "features/averages/dema.hpp"
#include "features/indicators/close/macd.hpp"
#include "features/returns/momentum.hpp"
#include "features/returns/roc.hpp"
#include "features/indicators/close/rsi.hpp"
#include "features/indicators/close/stochastic_rsi.hpp"
#include "features/averages/tema.hpp"
#include "features/averages/trix.hpp"
#include "features/averages/wma.hpp"
#define ZERAK_CLOSE_INDICATOR_CLASSES(X)                                                   \
  X(Rsi) X(Macd) X(Roc) X(Momentum) X(StochasticRsi) X(Wma) X(Dema) X(Tema) X(Trix) \
  X(BollingerBands)

// Technical indicators of high, low and close.
#include "features/indicators/range/adx.hpp"
#include "features/indicators/range/atr.hpp"
#include "features/indicators/range/cci.hpp"
#include "features/indicators/range/keltner_channel.hpp"
#include "features/indicators/range/natr.hpp"
#include "features/indicators/range/true_range.hpp"
#include "features/indicators/range/ultimate_oscillator.hpp"
#define ZERAK_RANGE_INDICATOR_CLASSES(X) \
  X(TrueRange) X(Atr) X(Natr) X(Adx) X(Cci) X(UltimateOscillator) X(KeltnerChannel)

// Volume indicators and open-high-low-close volatilities.
#include "features/indicators/volume/accumulation_distribution.hpp"
#include "features/indicators/volume/chaikin_money_flow.hpp"
#include "features/volatility/garman_klass_volatility.hpp"
#include "features/indicators/volume/mfi.hpp"
#include "features/indicators/volume/obv.hpp"
#include "features/indicators/volume/vwap.hpp"
#include "features/volatility/yang_zhang_volatility.hpp"
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
