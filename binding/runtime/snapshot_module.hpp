#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "error.hpp"

// The module zerak._snapshot (public as zerak.snapshot): save(obj) and
// load(data) over the core's snapshots, SnapshotError, and the loader that
// pickles refer to. It is created by _zerak's initialisation and lives in
// sys.modules only, so _zerak's own namespace keeps exactly its documented
// names.
namespace zerak::py {

// How one class saves and restores its objects.
struct SnapshotClass {
  std::string_view tag;  // the class name, as in the snapshot's header
  PyTypeObject* type;
  PyObject* (*save)(PyObject* self);                       // bytes, or nullptr with an error
  PyObject* (*load)(std::span<const std::uint8_t> bytes);  // new object, or nullptr
};

// Called by each class while module initialisation creates it.
void add_snapshot_class(const SnapshotClass& entry);

// Creates the module and SnapshotError (a subclass of ValueError and of
// `_zerak`'s ZerakError) and adds the module to sys.modules; false with an
// error set.
bool add_snapshot_module(PyObject* zerak_module);

// The function pickles call to restore an object (a borrowed reference).
PyObject* snapshot_loader() noexcept;

// Raises SnapshotError with the message of a failed load; returns nullptr.
PyObject* raise_snapshot_error(const ZerakError& error);

}  // namespace zerak::py
