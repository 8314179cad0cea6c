// Module initialisation: creates `_zerak` once per process and adds every
// registered export in the documented order, which is also `__all__`'s.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>

#include "exceptions.hpp"
#include "py_ref.hpp"
#include "registry.hpp"
#include "snapshot_module.hpp"

namespace zerak::py {
namespace {

constexpr const char* kExportOrder[] = {
    // exceptions
    "ZerakError", "InvalidConfigError", "InvalidInputError", "MissingInputColumnError",
    "DuplicateOutputKeyError", "CyclicDependencyError",
    // transforms
    "Adf", "Sma", "Ema", "Kama", "SimpleReturn", "LogReturn", "Mma", "Skewness", "Kurtosis",
    "LinearSlope", "ParkinsonVolatility", "RogersSatchellVolatility", "ShannonEntropy",
    "Correlation", "AutoCorrelation", "Add", "Subtract", "Multiply", "Divide", "Reciprocal",
    "NegLog", "Log", "Logit", "RollingZScore", "FixedZScore",
    // functions
    "fit_standard_scaler",
    // targets and pipelines
    "FutureReturn", "FutureCTCVolatility", "FutureLinearSlope", "FeaturePipeline",
    "TargetPipeline",
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_zerak",
    "",
    0,  // no per-module state; 0 (not -1) makes a re-import call us again
    nullptr, nullptr, nullptr, nullptr, nullptr,
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
  Ref module(PyModule_Create(&module_def));
  if (!module) return nullptr;
  Ref all(PyList_New(0));
  if (!all || PyModule_AddObjectRef(module.get(), "__all__", all.get()) < 0) return nullptr;
  for (const char* name : kExportOrder) {
    const Export* e = find_export(name);
    if (e == nullptr) {
      PyErr_Format(PyExc_SystemError, "_zerak was built without %s", name);
      return nullptr;
    }
    if (!add_export(module.get(), all.get(), *e)) return nullptr;
  }
  if (!add_snapshot_module(module.get())) return nullptr;
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
