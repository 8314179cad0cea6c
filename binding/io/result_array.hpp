#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>

namespace zerak::py {

// A C-ordered rows x cols float64 matrix in memory zerak allocates, owned by a
// small exporter object; the data can be written without the interpreter
// lock as long as the owner is not yet shared.
class ResultArray {
 public:
  // Allocates the matrix; false with MemoryError set when it cannot exist.
  bool allocate(std::size_t rows, std::size_t cols);
  [[nodiscard]] double* data() const noexcept { return data_; }

  // Hands the matrix to Python without a copy: a numpy.ndarray viewing it if
  // numpy can be imported now, else a 2-D memoryview of format "d".
  PyObject* publish();

  ResultArray() = default;
  ResultArray(const ResultArray&) = delete;
  ResultArray& operator=(const ResultArray&) = delete;
  ~ResultArray() { Py_XDECREF(owner_); }

 private:
  PyObject* owner_ = nullptr;
  double* data_ = nullptr;
};

}  // namespace zerak::py
