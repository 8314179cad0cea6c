// Rolling least-squares slope and R² of y on x.
#include "features/linear_slope.hpp"
#include "window_feature.hpp"

namespace zerak::py {
namespace {

const RegisterTransform<LinearSlope> linear_slope{window_feature<LinearSlope>(
    "LinearSlope", "Rolling OLS regression: slope and R² of y on x over a sliding window.",
    "Process one bar. Returns ``[slope, r2]``, ``NaN`` during warm-up.")};

}  // namespace
}  // namespace zerak::py
