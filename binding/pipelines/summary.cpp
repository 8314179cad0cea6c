#include "summary.hpp"

#include "runtime/py_ref.hpp"

namespace zerak::py {

PyObject* pipeline_summary(PyObject* self, PyObject* members, const char* noun) {
  Ref module(PyImport_ImportModule("zerak._summary"));
  if (!module) return nullptr;
  return PyObject_CallMethod(module.get(), "summary", "OOs", self, members, noun);
}

namespace {

PyObject* repr_pretty(PyObject* self, PyObject* args) {
  PyObject* printer = nullptr;
  PyObject* cycle = nullptr;
  if (!PyArg_UnpackTuple(args, "_repr_pretty_", 2, 2, &printer, &cycle)) return nullptr;
  Ref text(PyObject_Str(self));
  return text ? PyObject_CallMethod(printer, "text", "O", text.get()) : nullptr;
}

}  // namespace

PyMethodDef repr_pretty_def() noexcept {
  return {"_repr_pretty_", &repr_pretty, METH_VARARGS,
          "_repr_pretty_($self, p, cycle, /)\n--\n\nIPython's display: the text of ``str(self)``."};
}

}  // namespace zerak::py
