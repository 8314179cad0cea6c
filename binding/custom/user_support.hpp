#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string>

// What the user transforms share: the lock taken for a call into Python, the
// failure slot, and the modules they call.
namespace zerak::py::user {

// Holds the interpreter lock for a scope, whether or not the thread had it.
class GilHeld {
 public:
  GilHeld() noexcept : state_(PyGILState_Ensure()) {}
  GilHeld(const GilHeld&) = delete;
  GilHeld& operator=(const GilHeld&) = delete;
  ~GilHeld() { PyGILState_Release(state_); }

 private:
  PyGILState_STATE state_;
};

// Takes the exception set in this thread, adds `note` to it and keeps it as
// the thread's failure (the first one stays; later ones are dropped).
void fail(const std::string& note) noexcept;
// Whether a failure waits (no lock needed).
[[nodiscard]] bool failed() noexcept;

// copy.deepcopy(obj), pickle.dumps(obj), pickle.loads(data): new
// references, or nullptr with the error set.
PyObject* deep_copy(PyObject* obj);
PyObject* pickle_dumps(PyObject* obj);
PyObject* pickle_loads(PyObject* data);
// numpy, imported once; nullptr (no error set) when it is not installed.
PyObject* numpy_module() noexcept;

// The name to show for an object in notes and messages: its class's name.
std::string label_of(PyObject* obj);

}  // namespace zerak::py::user
