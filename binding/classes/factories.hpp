#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

// The Python class of a transform or target class, made for `module`: defined
// in declared.hpp and instantiated by the class's family (binding/families/),
// so that the module's export table compiles none of the classes.
namespace zerak::py::declared {

template <class Core>
PyObject* make_transform(PyObject* module);

template <class Core>
PyObject* make_target(PyObject* module);

}  // namespace zerak::py::declared
