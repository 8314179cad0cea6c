#pragma once

#include <string_view>

#include "../error.hpp"
#include "reader.hpp"
#include "writer.hpp"

namespace zerak {
class Adf;
class AutoCorrelation;
class Correlation;
class Ema;
class FixedZScore;
class Kama;
class Kurtosis;
class LinearSlope;
class LogReturn;
class Mma;
class ParkinsonVolatility;
class RogersSatchellVolatility;
class RollingZScore;
class ShannonEntropy;
class SimpleReturn;
class Skewness;
class Sma;
class Add;
class Subtract;
class Multiply;
class Divide;
class Reciprocal;
class NegLog;
class Log;
class Logit;
class FutureReturn;
class FutureCTCVolatility;
class FutureLinearSlope;
class FeaturePipeline;
class TargetPipeline;
}  // namespace zerak

namespace zerak::snapshot {

// Codec<T> writes T's configuration then its state, and reads them back:
// the configuration goes through T::create (which checks it again) and the
// state is then loaded into the new object. One definition per class, in
// codecs/. Declared here so that every translation unit sees the same
// specialisations.
#define ZERAK_SNAPSHOT_CODEC(Class)                                \
  template <>                                                      \
  struct Codec<Class> {                                            \
    static constexpr std::string_view kTag = #Class;               \
    static void save(const Class& object, SnapshotWriter& w);      \
    static Result<Class> load(SnapshotReader& r);                  \
  };

ZERAK_SNAPSHOT_CODEC(Adf)
ZERAK_SNAPSHOT_CODEC(Sma)
ZERAK_SNAPSHOT_CODEC(Ema)
ZERAK_SNAPSHOT_CODEC(Kama)
ZERAK_SNAPSHOT_CODEC(SimpleReturn)
ZERAK_SNAPSHOT_CODEC(LogReturn)
ZERAK_SNAPSHOT_CODEC(Mma)
ZERAK_SNAPSHOT_CODEC(Skewness)
ZERAK_SNAPSHOT_CODEC(Kurtosis)
ZERAK_SNAPSHOT_CODEC(LinearSlope)
ZERAK_SNAPSHOT_CODEC(ParkinsonVolatility)
ZERAK_SNAPSHOT_CODEC(RogersSatchellVolatility)
ZERAK_SNAPSHOT_CODEC(ShannonEntropy)
ZERAK_SNAPSHOT_CODEC(Correlation)
ZERAK_SNAPSHOT_CODEC(AutoCorrelation)
ZERAK_SNAPSHOT_CODEC(Add)
ZERAK_SNAPSHOT_CODEC(Subtract)
ZERAK_SNAPSHOT_CODEC(Multiply)
ZERAK_SNAPSHOT_CODEC(Divide)
ZERAK_SNAPSHOT_CODEC(Reciprocal)
ZERAK_SNAPSHOT_CODEC(NegLog)
ZERAK_SNAPSHOT_CODEC(Log)
ZERAK_SNAPSHOT_CODEC(Logit)
ZERAK_SNAPSHOT_CODEC(RollingZScore)
ZERAK_SNAPSHOT_CODEC(FixedZScore)
ZERAK_SNAPSHOT_CODEC(FutureReturn)
ZERAK_SNAPSHOT_CODEC(FutureCTCVolatility)
ZERAK_SNAPSHOT_CODEC(FutureLinearSlope)
ZERAK_SNAPSHOT_CODEC(FeaturePipeline)
ZERAK_SNAPSHOT_CODEC(TargetPipeline)

#undef ZERAK_SNAPSHOT_CODEC

// The list of every class with a codec, for explicit instantiations:
// X(Class) for each.
#define ZERAK_SNAPSHOT_CLASSES(X)                                                             \
  X(Adf) X(Sma) X(Ema) X(Kama) X(SimpleReturn) X(LogReturn) X(Mma) X(Skewness) X(Kurtosis)   \
  X(LinearSlope) X(ParkinsonVolatility) X(RogersSatchellVolatility) X(ShannonEntropy)         \
  X(Correlation) X(AutoCorrelation) X(Add) X(Subtract) X(Multiply) X(Divide) X(Reciprocal)    \
  X(NegLog) X(Log) X(Logit) X(RollingZScore) X(FixedZScore) X(FutureReturn)                   \
  X(FutureCTCVolatility) X(FutureLinearSlope) X(FeaturePipeline) X(TargetPipeline)

}  // namespace zerak::snapshot
