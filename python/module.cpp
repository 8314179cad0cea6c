// Module initialisation: creates `_zerak` once per process and adds every
// export in the documented order, which is also `__all__`'s. The table below
// is the one list of what the module holds; each class is created here, for
// this module, and the module's state keeps the class table (registry.hpp).
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>

#include "exceptions.hpp"
#include "features/adf.hpp"
#include "features/auto_correlation.hpp"
#include "features/correlation.hpp"
#include "features/ema.hpp"
#include "features/kama.hpp"
#include "features/kurtosis.hpp"
#include "features/linear_slope.hpp"
#include "features/log_return.hpp"
#include "features/mma.hpp"
#include "features/parkinson_volatility.hpp"
#include "features/rogers_satchell_volatility.hpp"
#include "features/shannon_entropy.hpp"
#include "features/simple_return.hpp"
#include "features/skewness.hpp"
#include "features/sma.hpp"
#include "operators/add.hpp"
#include "operators/divide.hpp"
#include "operators/log.hpp"
#include "operators/logit.hpp"
#include "operators/multiply.hpp"
#include "operators/neg_log.hpp"
#include "operators/reciprocal.hpp"
#include "operators/subtract.hpp"
#include "py_ref.hpp"
#include "registry.hpp"
#include "scalers/fixed_zscore.hpp"
#include "scalers/rolling_zscore.hpp"
#include "targets/future_ctc_volatility.hpp"
#include "targets/future_linear_slope.hpp"
#include "targets/future_return.hpp"
#include "wrapper.hpp"
#include "dispatch_module.hpp"
#include "snapshot_module.hpp"

namespace zerak::py {
namespace {

template <class Core>
constexpr Export transform(const char* name) {
  return {name, &RegisterTransform<Core>::make};
}
template <class Core>
constexpr Export target(const char* name) {
  return {name, &RegisterTarget<Core>::make};
}

constexpr Export kExports[] = {
    // exceptions
    {"ZerakError", &make_zerak_error},
    {"InvalidConfigError", &make_invalid_config_error},
    {"InvalidInputError", &make_invalid_input_error},
    {"MissingInputColumnError", &make_missing_input_column_error},
    {"DuplicateOutputKeyError", &make_duplicate_output_key_error},
    {"CyclicDependencyError", &make_cyclic_dependency_error},
    // transforms
    transform<Adf>("Adf"),
    transform<Sma>("Sma"),
    transform<Ema>("Ema"),
    transform<Kama>("Kama"),
    transform<SimpleReturn>("SimpleReturn"),
    transform<LogReturn>("LogReturn"),
    transform<Mma>("Mma"),
    transform<Skewness>("Skewness"),
    transform<Kurtosis>("Kurtosis"),
    transform<LinearSlope>("LinearSlope"),
    transform<ParkinsonVolatility>("ParkinsonVolatility"),
    transform<RogersSatchellVolatility>("RogersSatchellVolatility"),
    transform<ShannonEntropy>("ShannonEntropy"),
    transform<Correlation>("Correlation"),
    transform<AutoCorrelation>("AutoCorrelation"),
    transform<Add>("Add"),
    transform<Subtract>("Subtract"),
    transform<Multiply>("Multiply"),
    transform<Divide>("Divide"),
    transform<Reciprocal>("Reciprocal"),
    transform<NegLog>("NegLog"),
    transform<Log>("Log"),
    transform<Logit>("Logit"),
    transform<RollingZScore>("RollingZScore"),
    transform<FixedZScore>("FixedZScore"),
    // functions
    {"fit_standard_scaler", &make_fit_standard_scaler},
    // targets and pipelines
    target<FutureReturn>("FutureReturn"),
    target<FutureCTCVolatility>("FutureCTCVolatility"),
    target<FutureLinearSlope>("FutureLinearSlope"),
    {"FeaturePipeline", &make_feature_pipeline},
    {"TargetPipeline", &make_target_pipeline},
};

PyObject* g_module = nullptr;
std::int64_t g_interpreter = -1;

// Appends the name to __all__, then sets the attribute.
bool add_export(PyObject* module, PyObject* all, const Export& e) {
  Ref value(e.make(module));
  Ref name(PyUnicode_FromString(e.name));
  return value && name && PyList_Append(all, name.get()) == 0 &&
         PyModule_AddObjectRef(module, e.name, value.get()) == 0;
}

PyObject* create_module() {
  Ref module(PyModule_Create(&module_definition()));
  if (!module) return nullptr;
  Ref all(PyList_New(0));
  if (!all || PyModule_AddObjectRef(module.get(), "__all__", all.get()) < 0) return nullptr;
  for (const Export& e : kExports) {
    if (!add_export(module.get(), all.get(), e)) return nullptr;
  }
  if (!add_snapshot_module(module.get()) || !add_dispatch_module()) return nullptr;
  return module.release();
}

}  // namespace
}  // namespace zerak::py

PyMODINIT_FUNC PyInit__zerak(void) {
  using namespace zerak::py;
  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (g_module != nullptr) {
    if (interpreter != g_interpreter) {
      PyErr_SetString(PyExc_ImportError,
                      "_zerak can only be loaded once per process, by the interpreter that first "
                      "imported it");
      return nullptr;
    }
    return Py_NewRef(g_module);
  }
  ZERAK_PY_TRY
  g_module = create_module();
  if (g_module != nullptr) g_interpreter = interpreter;
  return Py_XNewRef(g_module);
  ZERAK_PY_CATCH
}
