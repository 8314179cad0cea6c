// LogReturn and SimpleReturn over a lookback of `window` bars.
#include "features/log_return.hpp"
#include "features/simple_return.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

template <class Return>
TransformEntry<Return> return_entry(const char* name, const char* doc) {
  return {
      .name = name,
      .params = {names_param("inputs"), uint_param("window"), names_param("outputs")},
      .doc = doc,
      .update_doc = kUpdateWarmUpDoc,
      .reset_doc = kResetFeatureDoc,
      .create = [](Args& a) {
        Names inputs = a.names(0);
        return Return::create(std::move(inputs), a.uint(1), a.names(2));
      },
      .repr = [](const Return& r, ReprFields& f) {
        f.names("inputs", r.inputs()).uint("window", r.window()).names("outputs", r.outputs());
      },
  };
}

const RegisterTransform<SimpleReturn> simple_return{return_entry<SimpleReturn>(
    "SimpleReturn", "Simple (arithmetic) return over a configurable lookback window.")};
const RegisterTransform<LogReturn> log_return{
    return_entry<LogReturn>("LogReturn", "Log return over a configurable lookback window.")};

}  // namespace
}  // namespace zerak::py
