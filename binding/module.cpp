// Module initialisation: creates `_zerak` once per process and adds every
// export in order, which is also `__all__`'s: the exceptions, the classes of
// the catalogue (core/catalogue.hpp) and the functions and pipelines. Each
// class is created here, for this module, and the module's state keeps the
// class table (runtime/registry.hpp). The classes' factories are compiled
// with their families (families/), not here.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>

#include "catalogue.hpp"
#include "classes/factories.hpp"
#include "runtime/dispatch_module.hpp"
#include "runtime/exceptions.hpp"
#include "runtime/py_ref.hpp"
#include "custom/custom_module.hpp"
#include "runtime/registry.hpp"
#include "runtime/snapshot_module.hpp"

namespace zerak::py {

// pipelines/universe_pipeline.cpp: zerak.UniversePipeline's compiled part.
bool add_universe_core(PyObject* module);

namespace {

#define ZERAK_TRANSFORM_EXPORT(Class) {#Class, &declared::make_transform<Class>},
#define ZERAK_TARGET_EXPORT(Class) {#Class, &declared::make_target<Class>},

constexpr Export kExports[] = {
    // exceptions
    {"ZerakError", &make_zerak_error},
    {"InvalidConfigError", &make_invalid_config_error},
    {"InvalidInputError", &make_invalid_input_error},
    {"MissingInputColumnError", &make_missing_input_column_error},
    {"DuplicateOutputKeyError", &make_duplicate_output_key_error},
    {"CyclicDependencyError", &make_cyclic_dependency_error},
    // transforms
    ZERAK_TRANSFORM_CLASSES(ZERAK_TRANSFORM_EXPORT)
    // functions
    {"fit_standard_scaler", &make_fit_standard_scaler},
    // targets and pipelines
    ZERAK_TARGET_CLASSES(ZERAK_TARGET_EXPORT){"FeaturePipeline", &make_feature_pipeline},
    {"TargetPipeline", &make_target_pipeline},
};
#undef ZERAK_TRANSFORM_EXPORT
#undef ZERAK_TARGET_EXPORT

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
  if (!add_snapshot_module(module.get()) || !add_dispatch_module() ||
      !add_universe_core(module.get()) || !add_custom_module()) {
    return nullptr;
  }
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
