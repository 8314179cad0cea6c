#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <span>

namespace zerak::py {

// One module attribute: its name and a function creating it (new reference,
// or nullptr with an exception set).
struct Export {
  const char* name;
  PyObject* (*make)(PyObject* module);
};

// Binding files announce their exports from a static initialiser; module
// initialisation then adds them in the one documented order (module.cpp).
class ExportRegistration {
 public:
  explicit ExportRegistration(std::span<const Export> exports) noexcept;
};

// The registered export of that name, or nullptr.
const Export* find_export(const char* name) noexcept;

}  // namespace zerak::py
