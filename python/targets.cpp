// The forward-looking targets: configuration objects (inputs, horizon,
// outputs), run only through TargetPipeline.
#include "targets/future_ctc_volatility.hpp"
#include "targets/future_linear_slope.hpp"
#include "targets/future_return.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

template <class T>
TargetEntry<T> target_entry(const char* name, const char* doc,
                            const char* output_names_doc = kOutputNamesDoc) {
  return {
      .name = name,
      .params = {names_param("inputs"), uint_param("horizon"), names_param("outputs")},
      .doc = doc,
      .create = [](Args& a) { return T::create(a.names(0), a.uint(1), a.names(2)); },
      .repr = [](const T& t, ReprFields& f) {
        f.names("inputs", t.inputs()).uint("horizon", t.horizon()).names("outputs", t.outputs());
      },
      .output_names_doc = output_names_doc,
  };
}

const RegisterTarget<FutureReturn> future_return{
    target_entry<FutureReturn>("FutureReturn", "Future simple return over ``horizon`` bars.")};
const RegisterTarget<FutureCTCVolatility> future_ctc_volatility{target_entry<FutureCTCVolatility>(
    "FutureCTCVolatility", "Future close-to-close realized volatility.")};
const RegisterTarget<FutureLinearSlope> future_linear_slope{target_entry<FutureLinearSlope>(
    "FutureLinearSlope", "Future OLS slope and R² of y on x over the next ``horizon`` bars.",
    "Output column names (slope, r2).")};

}  // namespace
}  // namespace zerak::py
