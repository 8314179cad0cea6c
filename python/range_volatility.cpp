// Range-based volatility estimators: high/low and open/high/low/close.
#include "features/parkinson_volatility.hpp"
#include "features/rogers_satchell_volatility.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

constexpr const char* kUpdateDoc =
    "Process one bar. Returns ``[NaN]`` during warm-up or on invalid input.";

template <class Estimator>
TransformEntry<Estimator> estimator_entry(const char* name, const char* doc) {
  return {
      .name = name,
      .params = {names_param("inputs"), uint_param("window"), names_param("outputs")},
      .doc = doc,
      .update_doc = kUpdateDoc,
      .reset_doc = kResetFeatureDoc,
      .create = [](Args& a) { return Estimator::create(a.names(0), a.uint(1), a.names(2)); },
      .repr = [](const Estimator& e, ReprFields& f) {
        f.names("inputs", e.inputs()).uint("window", e.window()).names("outputs", e.outputs());
      },
  };
}

const RegisterTransform<ParkinsonVolatility> parkinson{estimator_entry<ParkinsonVolatility>(
    "ParkinsonVolatility", "Rolling Parkinson volatility estimator (high/low).")};
const RegisterTransform<RogersSatchellVolatility> rogers_satchell{
    estimator_entry<RogersSatchellVolatility>(
        "RogersSatchellVolatility", "Rolling Rogers-Satchell volatility estimator (OHLC).")};

}  // namespace
}  // namespace zerak::py
