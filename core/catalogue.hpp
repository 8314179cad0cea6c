#pragma once

// The one ordered list of the library's classes. The Python module exports
// them in this order (which is also `__all__`'s) and the snapshot registry
// looks records up in it. It only names the classes: each class belongs to
// its folder's family list (e.g. features/averages/family.hpp), which
// includes its header and gives it its name, and the family's units
// (core/snapshot/families/, binding/families/) instantiate its snapshot
// codec and Python class. A class listed here but in no family is a link
// error; a class of a family missing here is not exported (all_classes.hpp
// checks that the two agree).
//
// A new class: one X(...) in the list below, one in its family's list.

// Transforms (features, operators, scalers), in export order.
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
#define ZERAK_WINDOW_MOMENT_CLASSES(X) \
  X(RollingSum) X(RollingVariance) X(RollingStd) X(RollingCovariance) X(RollingBeta)

// Quantiles and ranks within a window.
#define ZERAK_ORDER_STATISTIC_CLASSES(X) X(RollingQuantile) X(RollingRank)

// Window minima and maxima and the indicators built on them.
#define ZERAK_EXTREMUM_CLASSES(X)                                                          \
  X(RollingMin) X(RollingMax) X(BarsSinceMax) X(BarsSinceMin) X(Stochastic) X(WilliamsR) \
  X(Aroon) X(DonchianChannel)

// Lags, differences and element-wise math.
#define ZERAK_ELEMENTWISE_CLASSES(X)                                                            \
  X(Lag) X(Diff) X(Abs) X(Sqrt) X(Exp) X(Sign) X(Scale) X(Clip) X(Maximum) X(Minimum)       \
  X(EwmVariance) X(EwmStd)

// Technical indicators of one price column.
#define ZERAK_CLOSE_INDICATOR_CLASSES(X)                                                   \
  X(Rsi) X(Macd) X(Roc) X(Momentum) X(StochasticRsi) X(Wma) X(Dema) X(Tema) X(Trix) \
  X(BollingerBands) X(Trima)

// Technical indicators of high, low and close.
#define ZERAK_RANGE_INDICATOR_CLASSES(X) \
  X(TrueRange) X(Atr) X(Natr) X(Adx) X(Cci) X(UltimateOscillator) X(KeltnerChannel)

// Volume indicators and open-high-low-close volatilities.
#define ZERAK_VOLUME_INDICATOR_CLASSES(X)                                               \
  X(Obv) X(AccumulationDistribution) X(ChaikinMoneyFlow) X(Mfi) X(Vwap)                \
  X(GarmanKlassVolatility) X(YangZhangVolatility)

// Forward-looking targets, in export order.
#define ZERAK_TARGET_CLASSES(X) X(FutureReturn) X(FutureCTCVolatility) X(FutureLinearSlope)

#define ZERAK_PIPELINE_CLASSES(X) X(FeaturePipeline) X(TargetPipeline)

// Every class with a snapshot.
#define ZERAK_SNAPSHOT_CLASSES(X) \
  ZERAK_TRANSFORM_CLASSES(X) ZERAK_TARGET_CLASSES(X) ZERAK_PIPELINE_CLASSES(X)

// Declared only: what includes this list compiles none of the classes.
namespace zerak {
#define ZERAK_DECLARE_CLASS(Class) class Class;
ZERAK_SNAPSHOT_CLASSES(ZERAK_DECLARE_CLASS)
#undef ZERAK_DECLARE_CLASS
}  // namespace zerak
