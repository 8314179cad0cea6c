#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "output_row.hpp"
#include "runtime/py_ref.hpp"
#include "traits.hpp"
#include "value.hpp"

// Conversions between Python objects and core values. Each `to_*` returns
// false with a Python exception set; the message carries no argument name
// (see `name_argument_error`).
namespace zerak::py {

// The quiet NaN that stands for a missing value in Python.
inline constexpr double kMissingNaN = std::bit_cast<double>(std::uint64_t{0x7FF8000000000000});

inline Value value_from_double(double d) noexcept { return std::isnan(d) ? kMissing : Value(d); }
inline double double_from_value(const Value& v) noexcept { return v ? *v : kMissingNaN; }

// The name of obj's type as conversion messages give it (its __qualname__),
// or null with the error set (MemoryError): callers let that error pass.
Ref type_qualname(PyObject* obj);

bool to_names(PyObject* obj, Names& out);
bool to_u64(PyObject* obj, std::uint64_t& out);
bool to_bool(PyObject* obj, bool& out);
bool to_double(PyObject* obj, double& out);
bool to_string(PyObject* obj, std::string& out);

// Rejects what cannot be a list: a `str`, or an object that is not a sequence.
bool check_list_like(PyObject* obj);

// Visits every item of a list-like `seq` in order as `visit(index, item)`
// (item borrowed for the duration of the call; visit returns false to stop
// with an error set). Safe against sequences that change while being read.
// Returns the number of items visited, or -1 on error.
template <class Visit>
Py_ssize_t for_each_item(PyObject* seq, Visit&& visit) {
  if (PyTuple_CheckExact(seq)) {  // immutable: borrowed items stay valid
    const Py_ssize_t n = PyTuple_GET_SIZE(seq);
    for (Py_ssize_t i = 0; i < n; ++i) {
      if (!visit(i, PyTuple_GET_ITEM(seq, i))) return -1;
    }
    return n;
  }
  if (PyList_CheckExact(seq)) {
    // Re-read the size on every step: converting an item may run Python code
    // that shrinks or grows the list.
    Py_ssize_t i = 0;
    for (; i < PyList_GET_SIZE(seq); ++i) {
      Ref item = Ref::borrowed(PyList_GET_ITEM(seq, i));
      if (!visit(i, item.get())) return -1;
    }
    return i;
  }
  if (!check_list_like(seq)) return -1;
  Ref iter(PyObject_GetIter(seq));
  if (!iter) return -1;
  Py_ssize_t i = 0;
  while (Ref item{PyIter_Next(iter.get())}) {
    if (!visit(i, item.get())) return -1;
    ++i;
  }
  return PyErr_Occurred() ? -1 : i;
}

// Converts one item of a row of values: NaN becomes missing.
inline bool item_to_value(PyObject* item, Value& out) {
  if (PyFloat_CheckExact(item)) {
    out = value_from_double(PyFloat_AS_DOUBLE(item));
    return true;
  }
  const double d = PyFloat_AsDouble(item);
  if (d == -1.0 && PyErr_Occurred()) return false;
  out = value_from_double(d);
  return true;
}

Py_ssize_t read_row_slow(PyObject* seq, std::span<Value> keep);

// Reads a row of values, keeping the first `keep.size()` of them in `keep`
// and converting the rest only to validate them. Returns the row's length,
// or -1 on error. Inline: this is the live path of every update.
inline Py_ssize_t read_row(PyObject* seq, std::span<Value> keep) {
  // The common case, a list or tuple of floats, is read without any
  // reference counting. Anything else restarts on the general path, which
  // is safe since reading floats has no side effects.
  if (PyList_CheckExact(seq) || PyTuple_CheckExact(seq)) {
    PyObject** items = PySequence_Fast_ITEMS(seq);
    const Py_ssize_t n = Py_SIZE(seq);
    Py_ssize_t i = 0;
    for (; i < n && PyFloat_CheckExact(items[i]); ++i) {
      if (std::size_t(i) < keep.size()) {
        keep[std::size_t(i)] = value_from_double(PyFloat_AS_DOUBLE(items[i]));
      }
    }
    if (i == n) return n;
  }
  return read_row_slow(seq, keep);
}

// Reads a row of values into `out` (cleared first), or appends it.
bool read_row(PyObject* seq, std::vector<Value>& out);
bool append_row(PyObject* seq, std::vector<Value>& out);

// Pauses the cyclic garbage collector for a scope that only creates lists of
// floats (which hold no cycles): building a million result lists otherwise
// triggers hundreds of collections that scan them all. Never hold it while
// Python code can run.
class GcPause {
 public:
  GcPause() noexcept;
  GcPause(const GcPause&) = delete;
  GcPause& operator=(const GcPause&) = delete;
  ~GcPause();

 private:
  bool was_enabled_;
};

PyObject* values_to_list_slow(std::span<const Value> values);

// A new list of floats, missing as NaN.
inline PyObject* values_to_list(std::span<const Value> values) {
  if (values.size() != 1) return values_to_list_slow(values);
  PyObject* f = PyFloat_FromDouble(double_from_value(values[0]));  // one value: most rows
  if (f == nullptr) return nullptr;
  PyObject* list = PyList_New(1);
  if (list == nullptr) {
    Py_DECREF(f);
    return nullptr;
  }
  PyList_SET_ITEM(list, 0, f);
  return list;
}
inline PyObject* row_to_list(const OutputRow& row) {
  return values_to_list(std::span<const Value>(row.data(), row.size()));
}
PyObject* names_to_list(const Names& names);

// Replaces a pending TypeError by "argument '{name}': {message}" (keeping its
// cause); other pending errors pass through unchanged. Returns false.
bool name_argument_error(const char* name);
// name_argument_error for an argument of names; when `given` is a str the
// error gains a note showing the list form ("inputs=['close']").
bool names_argument_error(const char* name, PyObject* given);

}  // namespace zerak::py
