#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <atomic>
#include <cstdint>

namespace zerak::py {

// Per-object borrow state: 0 free, n > 0 shared readers, -1 one writer.
// Every call holds the interpreter lock, so a busy flag can only mean
// re-entry (e.g. a custom sequence whose item conversion calls back into the
// same object). Plain atomic loads and stores suffice under the lock and cost
// nothing on the hot path.
class BorrowFlag {
 public:
  [[nodiscard]] bool try_exclusive() noexcept {
    if (state_.load(std::memory_order_relaxed) != 0) {
      PyErr_SetString(PyExc_RuntimeError, "Already borrowed");
      return false;
    }
    state_.store(kExclusive, std::memory_order_relaxed);
    return true;
  }
  [[nodiscard]] bool try_shared() noexcept {
    const std::int32_t s = state_.load(std::memory_order_relaxed);
    if (s == kExclusive) {
      PyErr_SetString(PyExc_RuntimeError, "Already mutably borrowed");
      return false;
    }
    state_.store(s + 1, std::memory_order_relaxed);
    return true;
  }
  void release_exclusive() noexcept { state_.store(0, std::memory_order_relaxed); }
  void release_shared() noexcept {
    state_.store(state_.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
  }

 private:
  static constexpr std::int32_t kExclusive = -1;
  std::atomic<std::int32_t> state_{0};
};

// Scoped borrows; test with `if (!guard) return nullptr;` (the error is set).
class ExclusiveBorrow {
 public:
  explicit ExclusiveBorrow(BorrowFlag& flag) noexcept : flag_(flag), held_(flag.try_exclusive()) {}
  ExclusiveBorrow(const ExclusiveBorrow&) = delete;
  ExclusiveBorrow& operator=(const ExclusiveBorrow&) = delete;
  ~ExclusiveBorrow() {
    if (held_) flag_.release_exclusive();
  }
  explicit operator bool() const noexcept { return held_; }

 private:
  BorrowFlag& flag_;
  bool held_;
};

class SharedBorrow {
 public:
  explicit SharedBorrow(BorrowFlag& flag) noexcept : flag_(flag), held_(flag.try_shared()) {}
  SharedBorrow(const SharedBorrow&) = delete;
  SharedBorrow& operator=(const SharedBorrow&) = delete;
  ~SharedBorrow() {
    if (held_) flag_.release_shared();
  }
  explicit operator bool() const noexcept { return held_; }

 private:
  BorrowFlag& flag_;
  bool held_;
};

}  // namespace zerak::py
