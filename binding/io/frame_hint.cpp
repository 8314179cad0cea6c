#include "frame_hint.hpp"

#include <cstring>
#include <string>

#include "runtime/py_ref.hpp"

namespace zerak::py {
namespace {

bool module_is(const char* module, const char* package) noexcept {
  const std::size_t n = std::strlen(package);
  return std::strncmp(module, package, n) == 0 && (module[n] == '\0' || module[n] == '.');
}

const char* kind_text(FrameKind kind) noexcept {
  switch (kind) {
    case FrameKind::Pandas: return "a pandas DataFrame";
    case FrameKind::Polars: return "a polars DataFrame";
    case FrameKind::PolarsLazy: return "a polars LazyFrame";
    case FrameKind::Pyarrow: return "a pyarrow Table";
    default: return "an Arrow stream (an object with __arrow_c_stream__)";
  }
}

std::string note_text(FrameKind kind, const FrameAdvice& advice) {
  std::string text = std::string("to pass ") + kind_text(kind) + ", use " + advice.by_name +
                     ", which takes the input columns by name";
  // Only a frame of these two has the to_numpy() of the positional advice.
  if (kind == FrameKind::Pandas || kind == FrameKind::Polars) {
    text += std::string(", or pass ") + advice.by_position;
  }
  return text;
}

// The frame kind by the type's name and module; `known` tells whether the
// type is pandas' or polars' at all: their other objects (a Series) keep the
// errors they always had, though they speak the Arrow stream protocol too.
FrameKind kind_by_name(PyTypeObject* type, bool& known) {
  known = false;
  Ref module(PyType_GetModuleName(type));
  const char* package = module ? PyUnicode_AsUTF8(module.get()) : nullptr;
  if (package == nullptr) return FrameKind::None;
  const bool pandas = module_is(package, "pandas");
  const bool polars = module_is(package, "polars");
  const bool pyarrow = module_is(package, "pyarrow");
  known = pandas || polars;
  if (!known && !pyarrow) return FrameKind::None;
  Ref name(PyType_GetName(type));
  const char* utf8 = name ? PyUnicode_AsUTF8(name.get()) : nullptr;
  if (utf8 == nullptr) return FrameKind::None;
  if (std::strcmp(utf8, "DataFrame") == 0) {
    if (pandas) return FrameKind::Pandas;
    if (polars) return FrameKind::Polars;
  }
  if (polars && std::strcmp(utf8, "LazyFrame") == 0) return FrameKind::PolarsLazy;
  if (pyarrow && std::strcmp(utf8, "Table") == 0) return FrameKind::Pyarrow;
  return FrameKind::None;
}

}  // namespace

FrameKind frame_kind(PyObject* obj) noexcept {
  // Names, not isinstance: no library is imported here, and this runs with
  // an exception pending (kept aside around the lookups).
  PyObject* pending = PyErr_GetRaisedException();
  PyTypeObject* type = Py_TYPE(obj);
  bool known = false;
  FrameKind kind = kind_by_name(type, known);
  // Arrays and lists never carry the stream protocol: frames and tables do.
  if (kind == FrameKind::None && !known && !PyList_CheckExact(obj) && !PyTuple_CheckExact(obj) &&
      PyObject_HasAttrStringWithError(reinterpret_cast<PyObject*>(type), "__arrow_c_stream__") >
          0) {
    kind = FrameKind::ArrowStream;
  }
  PyErr_Clear();
  PyErr_SetRaisedException(pending);
  return kind;
}

void note_frame_error(PyObject* data, const FrameAdvice& advice) noexcept {
  if (!PyErr_Occurred()) return;
  PyObject* error = PyErr_GetRaisedException();
  const FrameKind kind = frame_kind(data);
  if (kind != FrameKind::None) {
    try {
      Ref text(PyUnicode_FromString(note_text(kind, advice).c_str()));
      Ref done(text ? PyObject_CallMethod(error, "add_note", "O", text.get()) : nullptr);
      if (!done) PyErr_Clear();  // the original error matters more than its note
    } catch (...) {
      // std::bad_alloc building the text: the error goes out without its note
    }
  }
  PyErr_SetRaisedException(error);
}

bool reject_column_iterating_frame(PyObject* data, const FrameAdvice& advice) noexcept {
  const FrameKind kind = frame_kind(data);
  if (kind == FrameKind::Polars) {
    PyErr_SetString(PyExc_TypeError,
                    "argument 'data': a polars DataFrame iterates over its columns, not its bars");
  } else if (kind == FrameKind::Pyarrow) {
    PyErr_SetString(PyExc_TypeError,
                    "argument 'data': a pyarrow Table indexes its columns, not its bars");
  } else if (kind == FrameKind::ArrowStream) {
    PyErr_Format(PyExc_TypeError,
                 "argument 'data': '%s' is an Arrow stream, whose columns are read by name",
                 Py_TYPE(data)->tp_name);
  } else {
    return true;
  }
  note_frame_error(data, advice);
  return false;
}

}  // namespace zerak::py
