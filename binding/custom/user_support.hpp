#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the user transforms share: the lock taken for a call into Python, the
// failure slot, their snapshot record, and the modules they call.
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

// A snapshot record of a user transform: its tag, and its payload, (obj,
// bars) pickled. Throws PythonRaised (with a note naming `label`) when obj
// cannot be pickled.
inline constexpr std::string_view kRecordTag = "PythonObject";
std::vector<std::uint8_t> record_payload(PyObject* obj, std::size_t bars, const std::string& label);

}  // namespace zerak::py::user

namespace zerak::py {

// A Python exception raised inside a user transform while the core ran it
// waits here (one per thread) with a note naming the transform and the bar;
// the transform's later calls give missing values until it is taken.
[[nodiscard]] bool user_transform_failed() noexcept;
// Raises the waiting exception (and clears it); returns nullptr.
PyObject* raise_user_transform_failure() noexcept;

}  // namespace zerak::py
