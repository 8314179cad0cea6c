// Rolling least-squares slope and R² of y on x.
#include "features/linear_slope.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

const RegisterTransform<LinearSlope> linear_slope{{
    .name = "LinearSlope",
    .params = {names_param("inputs"), uint_param("window"), names_param("outputs")},
    .doc = "Rolling OLS regression: slope and R² of y on x over a sliding window.",
    .update_doc = "Process one bar. Returns ``[slope, r2]``, ``NaN`` during warm-up.",
    .reset_doc = kResetFeatureDoc,
    .create = [](Args& a) { return LinearSlope::create(a.names(0), a.uint(1), a.names(2)); },
    .repr = [](const LinearSlope& s, ReprFields& f) {
      f.names("inputs", s.inputs()).uint("window", s.window()).names("outputs", s.outputs());
    },
}};

}  // namespace
}  // namespace zerak::py
