#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>

#include "traits.hpp"

// The module's own table of its transform and target classes. Module
// initialisation builds it explicitly, class by class, in the module's state;
// the module owns it (with a strong reference to every class), so nothing of
// a failed initialisation outlives that attempt's module, and a class is
// looked up from the class itself: its module, then its row.
namespace zerak::py {

// One module attribute: its name and a function creating it (new reference,
// or nullptr with an exception set).
struct Export {
  const char* name;
  PyObject* (*make)(PyObject* module);
};

// How the pipelines take private copies of the objects handed to them.
struct TransformHooks {
  // A fresh core copy, or nullptr with an exception set.
  std::unique_ptr<StreamingTransform> (*fresh)(PyObject* self);
  // If `core` is of this class: true, and *out a new object holding a copy
  // of it with its state (nullptr with an exception set). Else false.
  bool (*wrap_copy)(const StreamingTransform& core, PyObject** out);
};
struct TargetHooks {
  std::unique_ptr<Target> (*copy)(PyObject* self);
  // As TransformHooks::wrap_copy, for a target.
  bool (*wrap_copy)(const Target& core, PyObject** out);
};

// The definition of `_zerak` (its state holds the class table).
PyModuleDef& module_definition() noexcept;

// Adds a class created with PyType_FromModuleAndSpec(module, ...) to the
// module's table, which takes its own reference. Exactly one of the hooks
// is given. False with the exception set.
bool add_class(PyObject* module, PyObject* type, const TransformHooks* transform,
               const TargetHooks* target);

// The hooks of the object's class, or nullptr if it is no transform/target
// class of this module. Sets no exception.
const TransformHooks* find_transform_hooks(PyObject* obj) noexcept;
// A new object of the transform's class holding a copy of it (state and
// all); nullptr with an exception set.
PyObject* wrap_transform_copy(const StreamingTransform& core);
const TargetHooks* find_target_hooks(PyObject* obj) noexcept;
// A new object of the target's class holding a copy of it; nullptr with an
// exception set.
PyObject* wrap_target_copy(const Target& core);

// The creators of the exports that are not transform or target classes.
PyObject* make_zerak_error(PyObject* module);
PyObject* make_invalid_config_error(PyObject* module);
PyObject* make_invalid_input_error(PyObject* module);
PyObject* make_missing_input_column_error(PyObject* module);
PyObject* make_duplicate_output_key_error(PyObject* module);
PyObject* make_cyclic_dependency_error(PyObject* module);
PyObject* make_fit_standard_scaler(PyObject* module);
PyObject* make_feature_pipeline(PyObject* module);
PyObject* make_target_pipeline(PyObject* module);

}  // namespace zerak::py
