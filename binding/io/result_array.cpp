#include "result_array.hpp"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "runtime/py_ref.hpp"

namespace zerak::py {
namespace {

// The exporter: its buffer is the matrix, and it frees it when the last
// view (numpy array or memoryview) lets go.
struct Owner {
  PyObject_HEAD double* data;
  Py_ssize_t shape[2];
  Py_ssize_t strides[2];
};

int get_buffer(PyObject* self, Py_buffer* view, int flags) {
  Owner* o = reinterpret_cast<Owner*>(self);
  view->obj = Py_NewRef(self);
  view->buf = o->data;
  view->len = o->shape[0] * o->shape[1] * Py_ssize_t(sizeof(double));
  view->readonly = 0;
  view->itemsize = sizeof(double);
  view->format = (flags & PyBUF_FORMAT) == PyBUF_FORMAT ? const_cast<char*>("d") : nullptr;
  if ((flags & PyBUF_ND) == PyBUF_ND) {
    view->ndim = 2;
    view->shape = o->shape;
    view->strides = (flags & PyBUF_STRIDES) == PyBUF_STRIDES ? o->strides : nullptr;
  } else {  // a plain run of bytes (C order)
    view->ndim = 1;
    view->shape = nullptr;
    view->strides = nullptr;
  }
  view->suboffsets = nullptr;
  view->internal = nullptr;
  return 0;
}

void dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  PyMem_RawFree(reinterpret_cast<Owner*>(self)->data);
  type->tp_free(self);
  Py_DECREF(type);
}

PyType_Slot slots[] = {
    {Py_bf_getbuffer, reinterpret_cast<void*>(&get_buffer)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc)},
    {Py_tp_doc, const_cast<char*>("Memory of an array result.")},
    {0, nullptr},
};

PyType_Spec spec = {
    "_zerak.ResultMemory",
    int(sizeof(Owner)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    slots,
};

// Created on first use and kept for the life of the process, as the
// module's other types are.
PyTypeObject* owner_type() {
  static PyObject* type = nullptr;  // guarded by the interpreter lock
  if (type == nullptr) {
    type = PyType_FromSpec(&spec);
    // 3.13 can fail one of its allocations without saying so.
    if (type == nullptr && !PyErr_Occurred()) PyErr_NoMemory();
  }
  return reinterpret_cast<PyTypeObject*>(type);
}

// numpy if it can be imported now; nullptr without an error if it cannot.
Ref import_numpy() {
  static PyObject* name = nullptr;  // guarded by the interpreter lock
  if (name == nullptr && (name = PyUnicode_InternFromString("numpy")) == nullptr) return Ref();
  Ref found(PyImport_GetModule(name));
  if (found && found.get() != Py_None) return found;
  if (PyErr_Occurred()) return Ref();
  Ref numpy(PyImport_Import(name));
  if (!numpy && PyErr_ExceptionMatches(PyExc_ImportError)) PyErr_Clear();
  return numpy;
}

// A result of 4 MiB or more asks for huge pages, as numpy does for its own
// arrays: writing it then takes a few faults of 2 MiB instead of one per
// 4 KiB page. Only advice: where it is refused, nothing changes.
void advise_huge_pages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::size_t kPage = 4096;
  if (bytes < (std::size_t{1} << 22)) return;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kPage - 1) & ~std::uintptr_t{kPage - 1};
  madvise(reinterpret_cast<void*>(first), bytes - (first - start), MADV_HUGEPAGE);
#endif
}

}  // namespace

bool ResultArray::allocate(std::size_t rows, std::size_t cols) {
  constexpr std::size_t most = std::size_t(PY_SSIZE_T_MAX) / sizeof(double);
  if (cols != 0 && rows > most / cols) {
    PyErr_Format(PyExc_MemoryError, "cannot allocate a result of %zu x %zu values", rows, cols);
    return false;
  }
  PyTypeObject* type = owner_type();
  if (type == nullptr) return false;
  const std::size_t bytes = rows * cols * sizeof(double);
  double* data = static_cast<double*>(PyMem_RawMalloc(bytes == 0 ? 1 : bytes));
  if (data == nullptr) {
    PyErr_NoMemory();
    return false;
  }
  advise_huge_pages(data, bytes);
  PyObject* owner = type->tp_alloc(type, 0);
  if (owner == nullptr) {
    PyMem_RawFree(data);
    return false;
  }
  Owner* o = reinterpret_cast<Owner*>(owner);
  o->data = data;
  o->shape[0] = Py_ssize_t(rows);
  o->shape[1] = Py_ssize_t(cols);
  o->strides[0] = Py_ssize_t(cols * sizeof(double));
  o->strides[1] = sizeof(double);
  Py_XDECREF(owner_);
  owner_ = owner;
  data_ = data;
  return true;
}

PyObject* ResultArray::publish() {
  Ref owner(owner_);
  owner_ = nullptr;
  Ref numpy = import_numpy();
  if (numpy) {
    Ref array(PyObject_CallMethod(numpy.get(), "asarray", "O", owner.get()));
    if (!array) return nullptr;
    // numpy takes an object whose buffer it failed to read (an allocation
    // failed on the way) for a scalar, and gives a 0-d object array.
    Ref ndim(PyObject_GetAttrString(array.get(), "ndim"));
    if (!ndim) return nullptr;
    if (PyLong_AsLong(ndim.get()) != 2) {
      if (!PyErr_Occurred()) PyErr_NoMemory();
      return nullptr;
    }
    return array.release();
  }
  if (PyErr_Occurred()) return nullptr;
  return PyMemoryView_FromObject(owner.get());
}

}  // namespace zerak::py
