#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <string>
#include <vector>

namespace zerak::py {

// The parameters of one callable: all positional-or-keyword, the first
// `required` without default.
struct CallSignature {
  std::string function;  // "Sma.__new__()", "fit_standard_scaler()"
  std::vector<const char*> names;
  std::size_t required;
};

// Binds positional and keyword arguments to the signature's parameters.
// `out` receives one borrowed reference per parameter (nullptr when left to
// its default). Returns false with the TypeError set.
bool bind_fastcall(const CallSignature& sig, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, PyObject** out);
bool bind_tuple(const CallSignature& sig, PyObject* args, PyObject* kwargs, PyObject** out);

}  // namespace zerak::py
