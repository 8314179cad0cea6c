#include "user_support.hpp"

#include "runtime/exceptions.hpp"
#include "runtime/py_ref.hpp"

namespace zerak::py::user {
namespace {

// The failure of this thread's running pipeline call (see
// user_transform_failed): engine runs stay on the thread that called them.
// Initial-exec: read on every bar, without a call to find this library's TLS.
__attribute__((tls_model("initial-exec"))) thread_local PyObject* t_failure = nullptr;

// A function of a standard module, imported on first use and kept.
PyObject* module_function(PyObject*& slot, const char* module, const char* name) {
  if (slot == nullptr) {
    Ref m(PyImport_ImportModule(module));
    if (!m) return nullptr;
    slot = PyObject_GetAttrString(m.get(), name);
  }
  return slot;
}

PyObject* g_deepcopy = nullptr;
PyObject* g_dumps = nullptr;
PyObject* g_loads = nullptr;
PyObject* g_numpy = nullptr;
bool g_numpy_tried = false;

// Adds `note` to the exception set, which stays set.
void add_note(const std::string& note) {
  PyObject* exc = PyErr_GetRaisedException();
  Ref text(PyUnicode_FromStringAndSize(note.data(), Py_ssize_t(note.size())));
  if (text) Py_XDECREF(PyObject_CallMethod(exc, "add_note", "O", text.get()));
  PyErr_Clear();
  PyErr_SetRaisedException(exc);
}

}  // namespace

void fail(const std::string& note) noexcept {
  PyObject* exc = PyErr_GetRaisedException();
  if (exc == nullptr) return;
  PyObject* text = PyUnicode_FromStringAndSize(note.data(), Py_ssize_t(note.size()));
  if (text != nullptr) {
    PyObject* done = PyObject_CallMethod(exc, "add_note", "O", text);
    Py_XDECREF(done);
    Py_DECREF(text);
  }
  PyErr_Clear();  // a note that could not be added leaves the exception as it was
  if (t_failure == nullptr) {
    t_failure = exc;
  } else {
    Py_DECREF(exc);
  }
}

bool failed() noexcept { return t_failure != nullptr; }

PyObject* deep_copy(PyObject* obj) {
  PyObject* fn = module_function(g_deepcopy, "copy", "deepcopy");
  return fn != nullptr ? PyObject_CallOneArg(fn, obj) : nullptr;
}

PyObject* pickle_dumps(PyObject* obj) {
  PyObject* fn = module_function(g_dumps, "pickle", "dumps");
  return fn != nullptr ? PyObject_CallOneArg(fn, obj) : nullptr;
}

PyObject* pickle_loads(PyObject* data) {
  PyObject* fn = module_function(g_loads, "pickle", "loads");
  return fn != nullptr ? PyObject_CallOneArg(fn, data) : nullptr;
}

PyObject* numpy_module() noexcept {
  if (!g_numpy_tried) {
    g_numpy_tried = true;
    PyObject* raised = PyErr_GetRaisedException();
    g_numpy = PyImport_ImportModule("numpy");
    PyErr_Clear();
    PyErr_SetRaisedException(raised);
  }
  return g_numpy;
}

std::string label_of(PyObject* obj) {
  PyObject* raised = PyErr_GetRaisedException();
  std::string label = "?";
  if (PyObject* name = PyType_GetQualName(Py_TYPE(obj))) {
    if (const char* utf8 = PyUnicode_AsUTF8(name)) label = utf8;
    Py_DECREF(name);
  }
  PyErr_Clear();
  PyErr_SetRaisedException(raised);
  return label;
}

std::vector<std::uint8_t> record_payload(PyObject* obj, std::size_t bars,
                                         const std::string& label) {
  Ref pair(Py_BuildValue("(On)", obj, Py_ssize_t(bars)));
  Ref bytes(pair ? pickle_dumps(pair.get()) : nullptr);
  if (!bytes) {
    add_note("while pickling the pipeline's transform " + label);
    throw PythonRaised{};
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(bytes.get()));
  return std::vector<std::uint8_t>(data, data + PyBytes_GET_SIZE(bytes.get()));
}

}  // namespace zerak::py::user

namespace zerak::py {

bool user_transform_failed() noexcept { return user::t_failure != nullptr; }

PyObject* raise_user_transform_failure() noexcept {
  PyErr_SetRaisedException(std::exchange(user::t_failure, nullptr));
  return nullptr;
}

}  // namespace zerak::py
