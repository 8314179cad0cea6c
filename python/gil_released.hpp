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
  // one raised (its exception waits in this thread's state).
  bool poll_signals() noexcept {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_poll_ < kPollEvery) return true;
    last_poll_ = now;
    return locked([] { return PyErr_CheckSignals() == 0; });
  }

 private:
  static constexpr std::chrono::milliseconds kPollEvery{10};

  PyThreadState* state_;
  std::chrono::steady_clock::time_point last_poll_ = std::chrono::steady_clock::now();
};

}  // namespace zerak::py
