#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <cstdint>

#include "value.hpp"

namespace zerak::py {

// The buffer an object exports (numpy arrays, memoryviews, any exporter),
// held for the scope so that it can be neither freed nor resized, and read
// in place value by value: float64, float32, float16, signed and unsigned
// integers of any size and bools, in either byte order, in any layout
// (strided, negative strides, unaligned). NaN reads as missing. Reading
// needs no interpreter lock.
class NumericView {
 public:
  explicit NumericView(PyObject* obj);
  NumericView(const NumericView&) = delete;
  NumericView& operator=(const NumericView&) = delete;
  ~NumericView() {
    if (held_) PyBuffer_Release(&view_);
  }

  // A numeric buffer, readable here.
  explicit operator bool() const noexcept { return kind_ != Kind::kNone; }
  // Exporting failed for a reason other than "no usable buffer"; the
  // exception is set.
  [[nodiscard]] bool failed() const noexcept { return failed_; }
  // A buffer whose items are not numbers this view reads ('g', 'Zd', ...).
  [[nodiscard]] bool other_format() const noexcept { return held_ && kind_ == Kind::kNone; }
  // Another format that reading `obj` item by item would not make sense of
  // either: complex numbers (whose real part alone would be taken), or any
  // format of a memoryview (which cannot hand out rows of it).
  [[nodiscard]] bool unreadable(PyObject* obj) const noexcept;

  [[nodiscard]] int ndim() const noexcept { return ndim_; }
  // Extents and strides of the first two dimensions (the only ones read).
  [[nodiscard]] Py_ssize_t extent(int dim) const noexcept { return shape_[dim]; }
  [[nodiscard]] Py_ssize_t stride(int dim) const noexcept { return strides_[dim]; }
  [[nodiscard]] const char* data() const noexcept { return static_cast<const char*>(view_.buf); }
  [[nodiscard]] const char* format() const noexcept { return view_.format ? view_.format : "B"; }

  // Converts `count` items `stride` bytes apart from `start` into out[0..count).
  void read(const char* start, Py_ssize_t stride, std::size_t count, Value* out) const noexcept;
  // The same `count` items as values in place, when they are aligned native
  // doubles one after another and none is a NaN (each double is then its own
  // value); nullptr when they must be read.
  [[nodiscard]] const Value* lend(const char* start, Py_ssize_t stride,
                                  std::size_t count) const noexcept;

 private:
  enum class Kind : std::uint8_t {
    kNone,
    kF64,
    kF32,
    kF16,
    kI8,
    kI16,
    kI32,
    kI64,
    kU8,
    kU16,
    kU32,
    kU64,
    kBool,
  };

  Py_buffer view_{};
  // The exporter may leave strides out (C-contiguous, as ctypes does), or
  // even the shape; these hold what reading needs either way.
  int ndim_ = 0;
  Py_ssize_t shape_[2] = {0, 0};
  Py_ssize_t strides_[2] = {0, 0};
  bool held_ = false;
  bool failed_ = false;
  bool swap_ = false;  // items in the other byte order
  Kind kind_ = Kind::kNone;
};

// For a dataset that must be a 2-dimensional buffer of `rows` ("bars",
// "columns"): false with a TypeError for a buffer of more dimensions, of a
// format zerak cannot read, or of one non-empty dimension (`one_dim_rows`
// names the rows again, `reshape` says how to fix it); true for anything left
// to read item by item.
bool refuse_unfit_buffer(const NumericView& view, PyObject* data, const char* rows,
                         const char* one_dim_rows, const char* reshape);

}  // namespace zerak::py
