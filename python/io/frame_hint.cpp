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

std::string note_text(FrameKind kind, const FrameAdvice& advice) {
  const char* library = kind == FrameKind::Pandas ? "pandas" : "polars";
  return std::string("to pass a ") + library + " DataFrame, use " + advice.by_name +
         ", which takes the input columns by name, or pass " + advice.by_position;
}

}  // namespace

FrameKind frame_kind(PyObject* obj) noexcept {
  // Names, not isinstance: neither library is imported here, and this runs
  // with an exception pending (kept aside around the lookups).
  PyObject* pending = PyErr_GetRaisedException();
  PyTypeObject* type = Py_TYPE(obj);
  FrameKind kind = FrameKind::None;
  Ref name(PyType_GetName(type));
  const char* utf8 = name ? PyUnicode_AsUTF8(name.get()) : nullptr;
  if (utf8 != nullptr && std::strcmp(utf8, "DataFrame") == 0) {
    Ref module(PyType_GetModuleName(type));
    const char* package = module ? PyUnicode_AsUTF8(module.get()) : nullptr;
    if (package != nullptr && module_is(package, "pandas")) kind = FrameKind::Pandas;
    if (package != nullptr && module_is(package, "polars")) kind = FrameKind::Polars;
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
  if (frame_kind(data) != FrameKind::Polars) return true;
  PyErr_SetString(PyExc_TypeError,
                  "argument 'data': a polars DataFrame iterates over its columns, not its bars");
  note_frame_error(data, advice);
  return false;
}

}  // namespace zerak::py
