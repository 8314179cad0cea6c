#include "float64_view.hpp"

#include <bit>

namespace zerak::py {
namespace {

bool is_native_double(const Py_buffer& view) {
  if (view.itemsize != 8 || view.format == nullptr) return false;
  const char* f = view.format;
  const char native = std::endian::native == std::endian::little ? '<' : '>';
  if (*f == '@' || *f == '=' || *f == native) ++f;
  return std::strcmp(f, "d") == 0;
}

}  // namespace

Float64View::Float64View(PyObject* obj, int ndim) {
  if (!PyObject_CheckBuffer(obj)) return;
  if (PyObject_GetBuffer(obj, &view_, PyBUF_RECORDS_RO) != 0) {
    // A buffer that needs suboffsets or the like: read it as a sequence.
    if (PyErr_ExceptionMatches(PyExc_BufferError) || PyErr_ExceptionMatches(PyExc_ValueError) ||
        PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Clear();
    } else {
      failed_ = true;
    }
    return;
  }
  held_ = true;
  usable_ = view_.ndim == ndim && is_native_double(view_);
}

}  // namespace zerak::py
