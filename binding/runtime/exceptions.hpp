#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "error.hpp"

namespace zerak::py {

// Raises the exception class of the error's variant with its message; returns nullptr.
PyObject* raise(const ZerakError& error);

// Raises InvalidInputError(message); returns nullptr.
PyObject* raise_invalid_input(const char* message);

// Thrown through C++ code when a call into Python failed: the Python
// exception is already set, and is the one the caller gets.
struct PythonRaised {};

// Translates the C++ exception in flight (call inside a catch block):
// allocation failures become MemoryError, anything else RuntimeError.
PyObject* raise_from_current_exception() noexcept;

}  // namespace zerak::py

// Wraps a binding body so that no C++ exception crosses into Python.
#define ZERAK_PY_TRY try {
#define ZERAK_PY_CATCH                                  \
  }                                                     \
  catch (...) {                                         \
    return ::zerak::py::raise_from_current_exception(); \
  }
