#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <chrono>

namespace zerak::py {

// Releases the interpreter lock for a scope of C++ work on memory Python
// cannot touch; the lock is back when the scope ends, also when an exception
// leaves it. Other threads run meanwhile, so the caller holds the borrow of
// its object and the buffers it reads for the whole scope.
class GilReleased {
 public:
  GilReleased() noexcept : state_(PyEval_SaveThread()) {}
  GilReleased(const GilReleased&) = delete;
  GilReleased& operator=(const GilReleased&) = delete;
  ~GilReleased() { PyEval_RestoreThread(state_); }

  // Runs `work` (which must not throw) with the lock held.
  template <class Work>
  auto locked(Work&& work) noexcept {
    PyEval_RestoreThread(state_);
    auto result = work();
    state_ = PyEval_SaveThread();
    return result;
  }

  // Runs pending signal handlers at most every few milliseconds; false once
  // one raised (its exception waits in this thread's state). Handlers run on
  // the main thread only, so another thread stops asking after the first
  // time: taking the lock back costs it a wait while Python code runs.
  bool poll_signals() noexcept {
    if (!main_thread_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_poll_ < kPollEvery) return true;
    last_poll_ = now;
    return locked([this] {
      if (!asked_thread_) {
        asked_thread_ = true;
        main_thread_ = on_main_thread();
      }
      return !main_thread_ || PyErr_CheckSignals() == 0;
    });
  }

 private:
  static constexpr std::chrono::milliseconds kPollEvery{10};

  // Whether this is the thread Python runs signal handlers on (true when it
  // cannot tell: asking for signals anyway is only slower). No Python code
  // runs here, so a signal that is already pending stays pending for the
  // check that follows, and an exception raised here is the only one cleared.
  static bool on_main_thread() noexcept {
    PyObject* raised = PyErr_GetRaisedException();
    bool main = true;
    PyObject* name = PyUnicode_FromString("_thread");
    PyObject* module = name != nullptr ? PyImport_GetModule(name) : nullptr;  // sys.modules only
    PyObject* get =
        module != nullptr ? PyObject_GetAttrString(module, "_get_main_thread_ident") : nullptr;
    // A built-in function: the call runs C code only.
    PyObject* ident = get != nullptr && PyCFunction_Check(get) ? PyObject_CallNoArgs(get) : nullptr;
    if (ident != nullptr && PyLong_CheckExact(ident)) {
      const unsigned long value = PyLong_AsUnsignedLong(ident);
      if (!PyErr_Occurred()) main = value == PyThread_get_thread_ident();
    }
    Py_XDECREF(ident);
    Py_XDECREF(get);
    Py_XDECREF(module);
    Py_XDECREF(name);
    PyErr_Clear();
    PyErr_SetRaisedException(raised);
    return main;
  }

  PyThreadState* state_;
  bool main_thread_ = true;
  bool asked_thread_ = false;
  std::chrono::steady_clock::time_point last_poll_ = std::chrono::steady_clock::now();
};

}  // namespace zerak::py
