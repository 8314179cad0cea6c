// Range-based volatility estimators: high/low and open/high/low/close.
#include "features/parkinson_volatility.hpp"
#include "features/rogers_satchell_volatility.hpp"
#include "window_feature.hpp"

namespace zerak::py {
namespace {

constexpr const char* kUpdateDoc =
    "Process one bar. Returns ``[NaN]`` during warm-up or on invalid input.";

const RegisterTransform<ParkinsonVolatility> parkinson{window_feature<ParkinsonVolatility>(
    "ParkinsonVolatility", "Rolling Parkinson volatility estimator (high/low).", kUpdateDoc)};
const RegisterTransform<RogersSatchellVolatility> rogers_satchell{
    window_feature<RogersSatchellVolatility>(
        "RogersSatchellVolatility", "Rolling Rogers-Satchell volatility estimator (OHLC).",
        kUpdateDoc)};

}  // namespace
}  // namespace zerak::py
