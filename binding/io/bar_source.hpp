#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "numeric_view.hpp"
#include "value.hpp"

namespace zerak::py {

// The bars handed to a feature pipeline's research methods: a 2-D numeric
// buffer (bars x columns) held and read in place, or any sequence of rows,
// converted up front with signals checked as it goes. Filling columns needs
// no interpreter lock.
class BarSource {
 public:
  // Reads `data`; false with the error set (TypeErrors name 'data').
  bool open(PyObject* data);

  [[nodiscard]] std::size_t bars() const noexcept;
  // How many values bar `i` has.
  [[nodiscard]] std::size_t width(std::size_t i) const noexcept;
  // The first bar without `width` values, or bars() if there is none.
  [[nodiscard]] std::size_t first_bad(std::size_t width) const noexcept;
  // Whether every bar has `width` values; an array of another width does
  // not fit even with no bars.
  [[nodiscard]] bool fits(std::size_t width) const noexcept;

  // Writes value j of bar begin + i into columns[j][i] for i < count; every
  // bar of the range has columns.size() values.
  // Columns j with read[j] == 0 (when `read` is given) are left as they are.
  void fill(std::size_t begin, std::size_t count, std::span<Value* const> columns,
            const unsigned char* read = nullptr) const noexcept;
  // Column j of bars [begin, begin + count) where the buffer holds it, if it
  // can be read in place (NumericView::lend); else nullptr.
  [[nodiscard]] const Value* lend(std::size_t begin, std::size_t count,
                                  std::size_t j) const noexcept;

 private:
  // Where the buffer holds value j of bar `bar`.
  [[nodiscard]] const char* cell(std::size_t bar, std::size_t j) const noexcept;
  // Converts one bar of a sequence onto the end of flat_.
  bool append_bar(PyObject* bar);

  std::unique_ptr<NumericView> matrix_;
  std::vector<Value> flat_;        // the rows of a sequence, one after another
  std::vector<std::size_t> ends_;  // where each row ends in flat_
};

}  // namespace zerak::py
