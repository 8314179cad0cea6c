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

// The one required argument of a METH_FASTCALL method, positional (the fast
// path) or by keyword; nullptr with the TypeError set.
inline PyObject* single_argument(const CallSignature& sig, PyObject* const* args, Py_ssize_t nargs,
                                 PyObject* kwnames) {
  if (nargs == 1 && kwnames == nullptr) return args[0];
  PyObject* value = nullptr;
  return bind_fastcall(sig, args, nargs, kwnames, &value) ? value : nullptr;
}

// A METH_FASTCALL method's first parameter, positional or by keyword, and
// the keyword-only parameters after it: `out` as for bind_fastcall. The call
// with one positional argument alone costs one test.
bool bind_first_and_keywords(const CallSignature& sig, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames, PyObject** out);

// For a method of self's class that takes no arguments: true when the call
// has none after all (an empty kwnames), else false with the binding
// TypeError set ("Sma.reset() takes 0 positional arguments but 1 was given",
// "Sma.reset() got an unexpected keyword argument 'x'").
bool check_no_arguments(PyObject* self, const char* method, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames) noexcept;

// A method name usable as a template argument.
template <std::size_t N>
struct MethodName {
  constexpr MethodName(const char (&text)[N]) noexcept {  // NOLINT: implicit by design
    for (std::size_t i = 0; i < N; ++i) value[i] = text[i];
  }
  char value[N];
};

// The method `Method(self, nullptr)` (a METH_NOARGS function) taking its
// arguments by METH_FASTCALL | METH_KEYWORDS, so that a call with arguments
// gets the binding messages of every other callable rather than CPython's
// "takes no arguments". The no-argument call costs one test more.
template <PyObject* (*Method)(PyObject*, PyObject*), MethodName Name>
PyObject* without_arguments(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
  if ((nargs == 0 && kwnames == nullptr) ||
      check_no_arguments(self, Name.value, args, nargs, kwnames)) {
    return Method(self, nullptr);
  }
  return nullptr;
}

// Its method table entry: no_arguments_method<&reset, "reset">(doc).
template <PyObject* (*Method)(PyObject*, PyObject*), MethodName Name>
PyMethodDef no_arguments_method(const char* doc) noexcept {
  return {
      Name.value,
      reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&without_arguments<Method, Name>)),
      METH_FASTCALL | METH_KEYWORDS, doc};
}

}  // namespace zerak::py
