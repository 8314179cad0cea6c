// Rolling moments: bias-corrected skewness and excess kurtosis.
#include "features/kurtosis.hpp"
#include "features/skewness.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

template <class Moment>
TransformEntry<Moment> moment_entry(const char* name, const char* doc) {
  return {
      .name = name,
      .params = {names_param("inputs"), uint_param("window"), names_param("outputs")},
      .doc = doc,
      .update_doc = kUpdateWarmUpDoc,
      .reset_doc = kResetFeatureDoc,
      .create = [](Args& a) { return Moment::create(a.names(0), a.uint(1), a.names(2)); },
      .repr = [](const Moment& m, ReprFields& f) {
        f.names("inputs", m.inputs()).uint("window", m.window()).names("outputs", m.outputs());
      },
  };
}

const RegisterTransform<Skewness> skewness{
    moment_entry<Skewness>("Skewness", "Rolling sample skewness (Fisher-Pearson corrected).")};
const RegisterTransform<Kurtosis> kurtosis{
    moment_entry<Kurtosis>("Kurtosis", "Rolling excess kurtosis (Fisher).")};

}  // namespace
}  // namespace zerak::py
