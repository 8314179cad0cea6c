#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>

#include "pipeline/feature_pipeline.hpp"
#include "traits.hpp"
#include "user_support.hpp"  // the failure slot that pipelines read

// Users' own transforms inside pipelines: Python objects with the transform
// protocol, and WindowApply. The core runs them with the interpreter lock
// released; each takes the lock around its own calls into Python.
namespace zerak::py {

// A private copy of `obj` for a pipeline, in its reset state: a WindowApply's
// core, or any object with the protocol (deep-copied, then reset). Null with
// no exception set when `obj` has no protocol; null with one when it failed.
std::unique_ptr<StreamingTransform> copy_user_transform(PyObject* obj);

// A new Python object for a user transform held by a pipeline (a copy with
// its state); false when `core` is none.
bool wrap_user_transform(const StreamingTransform& core, PyObject** out);

// Whether the pipeline runs a user transform.
[[nodiscard]] bool holds_user_transform(const FeaturePipeline& pipeline) noexcept;

// Lets snapshots hold user transforms (each by its own pickle); at module
// initialisation.
void register_user_transform_loader() noexcept;

}  // namespace zerak::py
