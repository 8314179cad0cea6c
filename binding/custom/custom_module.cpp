#include "custom_module.hpp"

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "object_transform.hpp"
#include "runtime/py_ref.hpp"
#include "window_apply.hpp"

namespace zerak::py {
namespace {

PyModuleDef g_module_def = {PyModuleDef_HEAD_INIT,
                            "zerak._custom",
                            "Users' own transforms (see zerak.custom).",
                            -1,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr};

}  // namespace

bool add_custom_module() {
  PyObject* type = window_apply_type();
  if (type == nullptr) return false;
  register_user_transform_loader();
  Ref module(PyModule_Create(&g_module_def));
  if (!module || PyModule_AddObjectRef(module.get(), "WindowApply", type) < 0) return false;
  return PyDict_SetItemString(PyImport_GetModuleDict(), "zerak._custom", module.get()) == 0;
}

}  // namespace zerak::py
