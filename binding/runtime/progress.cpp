#include "progress.hpp"

namespace zerak::py {

bool Progress::open(PyObject* value, std::size_t total) noexcept {
  if (value == nullptr || value == Py_None || value == Py_False) return true;
  if (!(total_ = Ref(PyLong_FromSize_t(total)))) return false;
  if (value == Py_True) {
    // The bar lives in Python: tqdm is optional, and its absence is told there.
    Ref module(PyImport_ImportModule("zerak._progress"));
    if (!module) return false;
    callback_ = Ref(PyObject_CallMethod(module.get(), "tqdm_bar", "O", total_.get()));
    owned_ = static_cast<bool>(callback_);
    return owned_;
  }
  if (!PyCallable_Check(value)) {
    PyErr_Format(PyExc_TypeError,
                 "argument 'progress': expected a callable taking (bars done, total), True or "
                 "None, not '%s'",
                 Py_TYPE(value)->tp_name);
    return false;
  }
  callback_ = Ref::borrowed(value);
  return true;
}

bool Progress::report(std::size_t done) noexcept {
  Ref count(PyLong_FromSize_t(done));
  if (!count) return false;
  PyObject* args[] = {count.get(), total_.get()};
  Ref result(PyObject_Vectorcall(callback_.get(), args, 2, nullptr));
  return static_cast<bool>(result);
}

void Progress::close() noexcept {
  if (!owned_) return;
  owned_ = false;
  PyObject* pending = PyErr_GetRaisedException();
  Ref done(PyObject_CallMethod(callback_.get(), "close", nullptr));
  if (!done) PyErr_Clear();  // the run's own error, or its result, matters more
  PyErr_SetRaisedException(pending);
}

}  // namespace zerak::py
