#include "column_source.hpp"

#include <algorithm>

#include "convert.hpp"

namespace zerak::py {

bool ColumnSource::open(PyObject* data) {
  auto view = std::make_unique<NumericView>(data);
  if (view->failed()) return false;
  if (*view && view->ndim() == 2) {
    for (Py_ssize_t k = 0; k < view->extent(0); ++k) {
      columns_.push_back({view.get(),
                          view->data() + k * view->stride(0),
                          view->stride(1),
                          std::size_t(view->extent(1)),
                          {}});
    }
    views_.push_back(std::move(view));
    return true;
  }
  if (!refuse_unfit_buffer(*view, data, "columns", "columns (one row per input column)",
                           "use data.reshape(1, -1) or [data] for a single input column")) {
    return false;
  }
  view.reset();
  const Py_ssize_t n = for_each_item(data, [&](Py_ssize_t, PyObject* column) {
    return PyErr_CheckSignals() == 0 && add_column(column);
  });
  return n >= 0 || name_argument_error("data");
}

bool ColumnSource::add_column(PyObject* obj) {
  auto view = std::make_unique<NumericView>(obj);
  if (view->failed()) return false;
  if (*view && view->ndim() == 1) {
    columns_.push_back(
        {view.get(), view->data(), view->stride(0), std::size_t(view->extent(0)), {}});
    views_.push_back(std::move(view));
    return true;
  }
  if (*view && view->ndim() != 0) {
    PyErr_Format(PyExc_TypeError,
                 "expected a 1-dimensional buffer for a column, got %d dimension(s)", view->ndim());
    return false;
  }
  if (view->unreadable(obj)) {  // item by item, complex numbers would lose their imaginary part
    PyErr_Format(PyExc_TypeError, "unsupported buffer format '%s'", view->format());
    return false;
  }
  view.reset();
  Column column{nullptr, nullptr, 0, 0, {}};
  if (!read_row(obj, column.values)) return false;
  column.length = column.values.size();
  columns_.push_back(std::move(column));
  return true;
}

std::vector<std::size_t> ColumnSource::lengths() const {
  std::vector<std::size_t> out;
  out.reserve(columns_.size());
  for (const Column& c : columns_) out.push_back(c.length);
  return out;
}

void ColumnSource::read(std::size_t k, std::size_t first, std::size_t count,
                        Value* out) const noexcept {
  if (count == 0) return;  // `first` may then lie past the end
  const Column& c = columns_[k];
  if (c.view != nullptr) {
    c.view->read(c.start + Py_ssize_t(first) * c.stride, c.stride, count, out);
  } else {
    std::copy_n(c.values.begin() + std::ptrdiff_t(first), count, out);
  }
}

}  // namespace zerak::py
