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

  // Whether this is Python's main thread (true when it cannot tell).
  static bool on_main_thread() noexcept {
    PyObject* name = PyUnicode_FromString("threading");
    PyObject* threading = name != nullptr ? PyImport_GetModule(name) : nullptr;
    Py_XDECREF(name);
    PyObject* main = threading != nullptr ? PyObject_CallMethod(threading, "main_thread", nullptr)
                                          : nullptr;
    PyObject* ident = main != nullptr ? PyObject_GetAttrString(main, "ident") : nullptr;
    const unsigned long value = ident != nullptr ? PyLong_AsUnsignedLong(ident) : 0;
    const bool known = ident != nullptr && !PyErr_Occurred();
    Py_XDECREF(ident);
    Py_XDECREF(main);
    Py_XDECREF(threading);
    PyErr_Clear();  // not knowing only means asking for signals anyway
    return !known || value == PyThread_get_thread_ident();
  }

  PyThreadState* state_;
  bool main_thread_ = true;
  bool asked_thread_ = false;
  std::chrono::steady_clock::time_point last_poll_ = std::chrono::steady_clock::now();
};

}  // namespace zerak::py
