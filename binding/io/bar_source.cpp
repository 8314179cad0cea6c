#include "bar_source.hpp"

#include "convert.hpp"

namespace zerak::py {

namespace {

// Rows converted between two looks at pending signals (Ctrl-C).
constexpr Py_ssize_t kRowsPerSignalCheck = 4096;

}  // namespace

bool BarSource::open(PyObject* data) {
  auto view = std::make_unique<NumericView>(data);
  if (view->failed()) return false;
  if (*view && view->ndim() == 2) {
    matrix_ = std::move(view);
    return true;
  }
  if (!refuse_unfit_buffer(*view, data, "bars", "bars (one row per bar)",
                           "use data.reshape(-1, 1) for a single input column, "
                           "data.reshape(1, -1) for a single bar")) {
    return false;
  }
  view.reset();  // anything else is read item by item

  const Py_ssize_t n = for_each_item(data, [&](Py_ssize_t i, PyObject* bar) {
    if (i % kRowsPerSignalCheck == kRowsPerSignalCheck - 1 && PyErr_CheckSignals() < 0) {
      return false;
    }
    if (!append_bar(bar)) return false;
    ends_.push_back(flat_.size());
    return true;
  });
  return n >= 0 || name_argument_error("data");
}

bool BarSource::append_bar(PyObject* bar) {
  // A row that is an array is read as one (item by item, complex numbers
  // would lose their imaginary part with only a warning).
  const NumericView row(bar);
  if (row.failed()) return false;
  if (row && row.ndim() == 1) {
    const std::size_t start = flat_.size();
    flat_.resize(start + std::size_t(row.extent(0)));
    row.read(row.data(), row.stride(0), std::size_t(row.extent(0)), flat_.data() + start);
    return true;
  }
  if (row.unreadable(bar)) {
    PyErr_Format(PyExc_TypeError, "unsupported buffer format '%s'", row.format());
    return false;
  }
  return append_row(bar, flat_);
}

std::size_t BarSource::bars() const noexcept {
  return matrix_ ? std::size_t(matrix_->extent(0)) : ends_.size();
}

std::size_t BarSource::width(std::size_t i) const noexcept {
  if (matrix_) return std::size_t(matrix_->extent(1));
  return ends_[i] - (i == 0 ? 0 : ends_[i - 1]);
}

bool BarSource::fits(std::size_t width) const noexcept {
  return matrix_ ? std::size_t(matrix_->extent(1)) == width : first_bad(width) == bars();
}

std::size_t BarSource::first_bad(std::size_t width) const noexcept {
  if (matrix_) return std::size_t(matrix_->extent(1)) == width ? bars() : 0;
  std::size_t i = 0;
  while (i < ends_.size() && this->width(i) == width) ++i;
  return i;
}

const char* BarSource::cell(std::size_t bar, std::size_t j) const noexcept {
  return matrix_->data() + Py_ssize_t(bar) * matrix_->stride(0) +
         Py_ssize_t(j) * matrix_->stride(1);
}

const Value* BarSource::lend(std::size_t begin, std::size_t count, std::size_t j) const noexcept {
  if (!matrix_) return nullptr;
  return matrix_->lend(cell(begin, j), matrix_->stride(0), count);
}

void BarSource::fill(std::size_t begin, std::size_t count, std::span<Value* const> columns,
                     const unsigned char* read) const noexcept {
  if (matrix_) {
    for (std::size_t j = 0; j < columns.size(); ++j) {
      if (read != nullptr && read[j] == 0) continue;
      matrix_->read(cell(begin, j), matrix_->stride(0), count, columns[j]);
    }
    return;
  }
  const std::size_t width = columns.size();
  for (std::size_t i = 0; i < count; ++i) {
    const Value* row = flat_.data() + (begin + i == 0 ? 0 : ends_[begin + i - 1]);
    for (std::size_t j = 0; j < width; ++j) columns[j][i] = row[j];
  }
}

}  // namespace zerak::py
