#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>

#include "py_ref.hpp"

namespace zerak::py {

// The `progress` keyword of the research methods: a callable receiving
// (bars done, total) between blocks, or True for a tqdm bar. Every call here
// needs the interpreter lock; without a callback none of them costs a call.
class Progress {
 public:
  Progress() noexcept = default;
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress() { close(); }

  // Takes the keyword's value (nullptr when absent; None and False ask for
  // nothing). False with the error set: a value that is no callable, or
  // True without tqdm.
  bool open(PyObject* value, std::size_t total) noexcept;
  [[nodiscard]] bool active() const noexcept { return static_cast<bool>(callback_); }
  // Reports `done` of the total; false with the callback's exception set.
  bool report(std::size_t done) noexcept;
  // Closes a bar made for True; an exception already raised stays as it is.
  void close() noexcept;

 private:
  Ref callback_;
  Ref total_;
  bool owned_ = false;  // made here for True: closed here
};

}  // namespace zerak::py
