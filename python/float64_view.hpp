#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstring>
#include <vector>

#include "convert.hpp"
#include "value.hpp"

namespace zerak::py {

// A native-endian float64 buffer of a given number of dimensions exported by
// an object (numpy arrays in any layout, memoryviews), held for the scope and
// read in place without a Python float per value. Empty when the object
// exports no such buffer, so that the caller reads it as a sequence instead.
class Float64View {
 public:
  Float64View(PyObject* obj, int ndim);
  Float64View(const Float64View&) = delete;
  Float64View& operator=(const Float64View&) = delete;
  ~Float64View() {
    if (held_) PyBuffer_Release(&view_);
  }

  explicit operator bool() const noexcept { return usable_; }
  // True when exporting failed for a reason other than "no such buffer"
  // (the exception is then set).
  [[nodiscard]] bool failed() const noexcept { return failed_; }

  [[nodiscard]] Py_ssize_t extent(int dim) const noexcept { return view_.shape[dim]; }

  // Calls sink(value) for `count` doubles `stride` bytes apart from `start`.
  template <class Sink>
  static void read(const char* start, Py_ssize_t stride, Py_ssize_t count, Sink&& sink) {
    for (Py_ssize_t i = 0; i < count; ++i) {
      double d;
      std::memcpy(&d, start + i * stride, sizeof d);
      sink(value_from_double(d));
    }
  }
  // Row `i` of a 2-D buffer, NaN as missing.
  template <class Sink>
  void read_row(Py_ssize_t i, Sink&& sink) const {
    read(static_cast<const char*>(view_.buf) + i * view_.strides[0], view_.strides[1],
         view_.shape[1], sink);
  }
  // All of a 1-D buffer, NaN as missing.
  void read_all(std::vector<Value>& out) const {
    out.clear();
    out.reserve(std::size_t(view_.shape[0]));
    read(static_cast<const char*>(view_.buf), view_.strides[0], view_.shape[0],
         [&](Value v) { out.push_back(v); });
  }

 private:
  Py_buffer view_{};
  bool held_ = false;
  bool usable_ = false;
  bool failed_ = false;
};

}  // namespace zerak::py
