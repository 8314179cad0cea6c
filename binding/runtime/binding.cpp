#include "binding.hpp"

#include <algorithm>

#include "exceptions.hpp"
#include "py_ref.hpp"

namespace zerak::py {
namespace {

bool too_many(const CallSignature& sig, Py_ssize_t given) {
  const char* verb = given == 1 ? "was" : "were";
  if (sig.required < sig.names.size()) {
    PyErr_Format(PyExc_TypeError, "%s takes from %zu to %zu positional arguments but %zd %s given",
                 sig.function.c_str(), sig.required, sig.names.size(), given, verb);
  } else {
    PyErr_Format(PyExc_TypeError, "%s takes %zu positional arguments but %zd %s given",
                 sig.function.c_str(), sig.names.size(), given, verb);
  }
  return false;
}

// Places one keyword argument; false with the TypeError set.
bool place_keyword(const CallSignature& sig, PyObject* key, PyObject* value, PyObject** out) {
  for (std::size_t i = 0; i < sig.names.size(); ++i) {
    if (PyUnicode_Check(key) && PyUnicode_EqualToUTF8(key, sig.names[i])) {
      if (out[i] != nullptr) {
        PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'",
                     sig.function.c_str(), sig.names[i]);
        return false;
      }
      out[i] = value;
      return true;
    }
  }
  PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'", sig.function.c_str(),
               key);
  return false;
}

bool check_required(const CallSignature& sig, PyObject** out) {
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < sig.required; ++i) {
    if (out[i] == nullptr) missing.push_back(std::string("'") + sig.names[i] + "'");
  }
  if (missing.empty()) return true;
  std::string names;
  for (std::size_t i = 0; i < missing.size(); ++i) {
    if (i > 0) names += missing.size() == 2 ? " and " : (i + 1 == missing.size() ? ", and " : ", ");
    names += missing[i];
  }
  PyErr_Format(PyExc_TypeError, "%s missing %zu required positional argument%s: %s",
               sig.function.c_str(), missing.size(), missing.size() == 1 ? "" : "s", names.c_str());
  return false;
}

bool place_positional(const CallSignature& sig, PyObject* const* args, Py_ssize_t nargs,
                      PyObject** out) {
  std::fill(out, out + sig.names.size(), nullptr);
  if (std::size_t(nargs) > sig.names.size()) return too_many(sig, nargs);
  std::copy(args, args + nargs, out);
  return true;
}

}  // namespace

bool bind_fastcall(const CallSignature& sig, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, PyObject** out) {
  nargs = PyVectorcall_NARGS(nargs);
  if (!place_positional(sig, args, nargs, out)) return false;
  const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t k = 0; k < nkw; ++k) {
    if (!place_keyword(sig, PyTuple_GET_ITEM(kwnames, k), args[nargs + k], out)) return false;
  }
  return check_required(sig, out);
}

bool bind_tuple(const CallSignature& sig, PyObject* args, PyObject* kwargs, PyObject** out) {
  if (!place_positional(sig, &PyTuple_GET_ITEM(args, 0), PyTuple_GET_SIZE(args), out)) {
    return false;
  }
  if (kwargs != nullptr) {
    Py_ssize_t pos = 0;
    PyObject* key;
    PyObject* value;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
      if (!place_keyword(sig, key, value, out)) return false;
    }
  }
  return check_required(sig, out);
}

bool bind_first_and_keywords(const CallSignature& sig, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames, PyObject** out) {
  if (nargs == 1 && kwnames == nullptr) {
    std::fill(out, out + sig.names.size(), nullptr);
    out[0] = args[0];
    return true;
  }
  const Py_ssize_t given = PyVectorcall_NARGS(nargs);
  if (given > 1) {
    PyErr_Format(PyExc_TypeError, "%s takes 1 positional arguments but %zd were given",
                 sig.function.c_str(), given);
    return false;
  }
  return bind_fastcall(sig, args, nargs, kwnames, out);
}

bool check_no_arguments(PyObject* self, const char* method, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames) noexcept {
  nargs = PyVectorcall_NARGS(nargs);
  if (nargs == 0 && (kwnames == nullptr || PyTuple_GET_SIZE(kwnames) == 0)) return true;
  Ref name(PyType_GetName(Py_TYPE(self)));
  if (!name) return false;
  const char* utf8 = PyUnicode_AsUTF8(name.get());
  if (utf8 == nullptr) return false;
  try {
    const CallSignature none{std::string(utf8) + "." + method + "()", {}, 0};
    return bind_fastcall(none, args, nargs, kwnames, nullptr);
  } catch (...) {
    raise_from_current_exception();
    return false;
  }
}

}  // namespace zerak::py
