#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "numeric_view.hpp"
#include "value.hpp"

namespace zerak::py {

// The columns handed to a target pipeline's research methods: a 2-D numeric
// buffer (columns x bars), or a sequence of columns, each a 1-D numeric
// buffer or a sequence of numbers. Buffers are held and read in place, other
// columns converted up front; reading needs no interpreter lock.
class ColumnSource {
 public:
  // Reads `data`; false with the error set (TypeErrors name 'data').
  bool open(PyObject* data);

  [[nodiscard]] std::size_t size() const noexcept { return columns_.size(); }
  [[nodiscard]] std::vector<std::size_t> lengths() const;
  // Bars [first, first + count) of column k into out.
  void read(std::size_t k, std::size_t first, std::size_t count, Value* out) const noexcept;

 private:
  struct Column {
    const NumericView* view;  // nullptr: converted into `values`
    const char* start;
    Py_ssize_t stride;
    std::size_t length;
    std::vector<Value> values;
  };

  bool add_column(PyObject* obj);

  std::vector<std::unique_ptr<NumericView>> views_;
  std::vector<Column> columns_;
};

}  // namespace zerak::py
