#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/feature_pipeline.hpp"
#include "traits.hpp"

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

// A Python exception raised inside a user transform while the core ran it
// waits here (one per thread) with a note naming the transform and the bar;
// the transform's later calls give missing values until it is taken.
[[nodiscard]] bool user_transform_failed() noexcept;
// Raises the waiting exception (and clears it); returns nullptr.
PyObject* raise_user_transform_failure() noexcept;
// Whether the pipeline runs a user transform.
[[nodiscard]] bool holds_user_transform(const FeaturePipeline& pipeline) noexcept;

// A snapshot record's payload: (obj, bars) pickled. Throws PythonRaised
// (with a note naming `label`) when obj cannot be pickled.
std::vector<std::uint8_t> user_payload(PyObject* obj, std::size_t bars, const std::string& label);
// The record tag of user transforms.
inline constexpr std::string_view kUserRecordTag = "PythonObject";

// Lets snapshots hold user transforms (each by its own pickle); at module
// initialisation.
void register_user_transform_loader() noexcept;

}  // namespace zerak::py
