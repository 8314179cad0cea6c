#include "convert.hpp"

#include <cstring>

namespace zerak::py {

Ref type_qualname(PyObject* obj) { return Ref(PyType_GetQualName(Py_TYPE(obj))); }

namespace {

// The documented TypeError about the value's type. Naming the type can fail
// only for want of memory, and that error is then the one that passes.
bool cannot_convert(PyObject* obj, const char* target) {
  Ref name = type_qualname(obj);
  if (!name) return false;
  PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to '%s'", name.get(), target);
  return false;
}

bool utf8_of(PyObject* str, std::string& out) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(str, &size);
  if (data == nullptr) return false;
  out.assign(data, std::size_t(size));
  return true;
}

}  // namespace

bool check_list_like(PyObject* obj) {
  if (PyUnicode_Check(obj)) {
    PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
    return false;
  }
  if (!PySequence_Check(obj)) return cannot_convert(obj, "Sequence");
  return true;
}

bool to_names(PyObject* obj, Names& out) {
  out.clear();
  return for_each_item(obj, [&](Py_ssize_t, PyObject* item) {
           if (!PyUnicode_Check(item)) return cannot_convert(item, "PyString");
           std::string name;
           if (!utf8_of(item, name)) return false;
           out.push_back(std::move(name));
           return true;
         }) >= 0;
}

bool to_u64(PyObject* obj, std::uint64_t& out) {
  Ref index(PyNumber_Index(obj));
  if (!index) return false;
  const unsigned long long v = PyLong_AsUnsignedLongLong(index.get());
  if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return false;
  out = v;
  return true;
}

bool to_bool(PyObject* obj, bool& out) {
  if (obj == Py_True || obj == Py_False) {
    out = obj == Py_True;
    return true;
  }
  // numpy's boolean scalars convert through their truth value. Any failure
  // to read the type's names (no memory) passes through: only a type that is
  // not one of them becomes the TypeError.
  PyTypeObject* type = Py_TYPE(obj);
  Ref name(PyType_GetName(type));
  if (!name) return false;
  if (!PyUnicode_EqualToUTF8(name.get(), "bool_") && !PyUnicode_EqualToUTF8(name.get(), "bool")) {
    return cannot_convert(obj, "PyBool");
  }
  Ref module(PyType_GetModuleName(type));
  if (!module) {
    // A class without __module__ is no numpy class; anything else passes.
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
    PyErr_Clear();
    return cannot_convert(obj, "PyBool");
  }
  if (!PyUnicode_Check(module.get()) || !PyUnicode_EqualToUTF8(module.get(), "numpy")) {
    return cannot_convert(obj, "PyBool");
  }
  if (type->tp_as_number == nullptr || type->tp_as_number->nb_bool == nullptr) {
    Ref qualname = type_qualname(obj);
    if (!qualname) return false;
    PyErr_Format(PyExc_TypeError, "object of type '%U' does not define a '__bool__' conversion",
                 qualname.get());
    return false;
  }
  const int truth = type->tp_as_number->nb_bool(obj);
  if (truth < 0) return false;
  out = truth != 0;
  return true;
}

bool to_double(PyObject* obj, double& out) {
  const double d = PyFloat_AsDouble(obj);
  if (d == -1.0 && PyErr_Occurred()) return false;
  out = d;
  return true;
}

bool to_string(PyObject* obj, std::string& out) {
  if (!PyUnicode_Check(obj)) return cannot_convert(obj, "PyString");
  return utf8_of(obj, out);
}

Py_ssize_t read_row_slow(PyObject* seq, std::span<Value> keep) {
  return for_each_item(seq, [&](Py_ssize_t i, PyObject* item) {
    Value v;
    if (!item_to_value(item, v)) return false;
    if (std::size_t(i) < keep.size()) keep[std::size_t(i)] = v;
    return true;
  });
}

bool append_row(PyObject* seq, std::vector<Value>& out) {
  const std::size_t start = out.size();
  if (PyList_CheckExact(seq) || PyTuple_CheckExact(seq)) {  // as above: floats without refcounts
    PyObject** items = PySequence_Fast_ITEMS(seq);
    const Py_ssize_t n = Py_SIZE(seq);
    Py_ssize_t i = 0;
    for (; i < n && PyFloat_CheckExact(items[i]); ++i) {
      out.push_back(value_from_double(PyFloat_AS_DOUBLE(items[i])));
    }
    if (i == n) return true;
    out.resize(start);
  }
  return for_each_item(seq, [&](Py_ssize_t, PyObject* item) {
           Value v;
           if (!item_to_value(item, v)) return false;
           out.push_back(v);
           return true;
         }) >= 0;
}

bool read_row(PyObject* seq, std::vector<Value>& out) {
  out.clear();
  return append_row(seq, out);
}

GcPause::GcPause() noexcept : was_enabled_(PyGC_Disable() != 0) {}
GcPause::~GcPause() {
  if (was_enabled_) PyGC_Enable();
}

PyObject* values_to_list_slow(std::span<const Value> values) {
  PyObject* list = PyList_New(Py_ssize_t(values.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t i = 0; i < values.size(); ++i) {
    PyObject* f = PyFloat_FromDouble(double_from_value(values[i]));
    if (f == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SET_ITEM(list, Py_ssize_t(i), f);
  }
  return list;
}

PyObject* names_to_list(const Names& names) {
  PyObject* list = PyList_New(Py_ssize_t(names.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t i = 0; i < names.size(); ++i) {
    PyObject* s = PyUnicode_FromStringAndSize(names[i].data(), Py_ssize_t(names[i].size()));
    if (s == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SET_ITEM(list, Py_ssize_t(i), s);
  }
  return list;
}

bool name_argument_error(const char* name) {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return false;
  Ref original(PyErr_GetRaisedException());
  Ref text(PyObject_Str(original.get()));
  if (!text) return false;
  Ref message(PyUnicode_FromFormat("argument '%s': %U", name, text.get()));
  if (!message) return false;
  Ref renamed(PyObject_CallOneArg(PyExc_TypeError, message.get()));
  if (!renamed) return false;
  PyException_SetCause(renamed.get(), PyException_GetCause(original.get()));
  PyErr_SetRaisedException(renamed.release());
  return false;
}

bool names_argument_error(const char* name, PyObject* given) {
  name_argument_error(name);
  if (!PyUnicode_Check(given) || !PyErr_ExceptionMatches(PyExc_TypeError)) return false;
  PyObject* raised = PyErr_GetRaisedException();
  Ref note(PyUnicode_FromFormat("names go in a list, even one: %s=[%R]", name, given));
  Ref added(note ? PyObject_CallMethod(raised, "add_note", "O", note.get()) : nullptr);
  PyErr_Clear();  // without the note, the error itself still stands
  PyErr_SetRaisedException(raised);
  return false;
}

}  // namespace zerak::py
