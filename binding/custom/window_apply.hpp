#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>

#include "traits.hpp"

// WindowApply: a user's function over each full window of its inputs.
namespace zerak::py {

[[nodiscard]] bool is_window_apply(PyObject* obj) noexcept;
// A copy of the object's core, with its state or reset; null with the error set.
std::unique_ptr<StreamingTransform> window_apply_core(PyObject* obj, bool keep_state);
// If `core` is a WindowApply's: true, and *out a new object holding a copy of it.
bool wrap_window_apply(const StreamingTransform& core, PyObject** out);

// The class, created on the first call and kept for the life of the
// process; null with the error set.
PyObject* window_apply_type();

}  // namespace zerak::py
