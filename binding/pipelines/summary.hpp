#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

// print(pipeline) and IPython's display of a pipeline: a summary of its
// members (their reprs), input columns and output names, written by
// zerak._summary. repr() stays Python's default.
namespace zerak::py {

// The summary of `self` given its members, a list in running order.
PyObject* pipeline_summary(PyObject* self, PyObject* members, const char* noun);

// _repr_pretty_(self, p, cycle): IPython's printer, given str(self).
PyMethodDef repr_pretty_def() noexcept;

}  // namespace zerak::py
