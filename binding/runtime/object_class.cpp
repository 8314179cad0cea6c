#include "object_class.hpp"

namespace zerak::py {

PyObject* wrong_self(PyObject* self, const char* class_name) {
  Ref name = type_qualname(self);
  if (!name) return nullptr;
  PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to '%s'", name.get(), class_name);
  return nullptr;
}

namespace {

// Python 3.13.0 adds a method to its class with PyDict_SetDefaultRef, which
// on a failed allocation counts an entry it never stored and reports success:
// the class dict is corrupt and the next insertion crashes. METH_COEXIST
// makes it use PyDict_SetItem, whose error path is sound; no method name of
// ours shadows a slot wrapper. The flag is set only while the class is built:
// left on, it keeps the interpreter from specialising calls to the methods
// (about 10 ns more per update).
void set_coexist(PyType_Spec& spec, bool on) noexcept {
  for (PyType_Slot* slot = spec.slots; slot->slot != 0; ++slot) {
    if (slot->slot != Py_tp_methods) continue;
    for (auto* m = static_cast<PyMethodDef*>(slot->pfunc); m->ml_name != nullptr; ++m) {
      m->ml_flags = on ? m->ml_flags | METH_COEXIST : m->ml_flags & ~METH_COEXIST;
    }
  }
}

// Builds a class with its methods added through the sound path.
template <class Build>
PyObject* with_coexist(PyType_Spec& spec, Build&& build) noexcept {
  set_coexist(spec, true);
  PyObject* type = build();
  set_coexist(spec, false);
  return type;
}

// Python 3.13.0 also fails to create a class without an exception when it
// cannot copy the class name; that failure is one of memory.
PyObject* checked(PyObject* type) noexcept {
  if (type == nullptr && !PyErr_Occurred()) PyErr_NoMemory();
  return type;
}

// The getsets go in once the class is built, through PyDict_SetItem: given
// as a slot, 3.13.0 would add them through the faulty PyDict_SetDefaultRef,
// with no flag to avoid it.
PyObject* with_attributes(PyObject* type, PyGetSetDef* attributes) noexcept {
  if (type == nullptr || attributes == nullptr) return type;
  Ref owned(type);
  auto* cls = reinterpret_cast<PyTypeObject*>(type);
  Ref dict(PyType_GetDict(cls));
  if (!dict) return nullptr;
  for (PyGetSetDef* def = attributes; def->name != nullptr; ++def) {
    const int taken = PyDict_ContainsString(dict.get(), def->name);
    if (taken < 0) return nullptr;
    if (taken > 0) continue;  // a method keeps its name
    Ref descriptor(PyDescr_NewGetSet(cls, def));
    if (!descriptor || PyDict_SetItemString(dict.get(), def->name, descriptor.get()) < 0) {
      return nullptr;
    }
  }
  PyType_Modified(cls);
  return owned.release();
}

}  // namespace

PyObject* create_type(PyType_Spec& spec, PyGetSetDef* attributes) {
  return with_attributes(checked(with_coexist(spec, [&] { return PyType_FromSpec(&spec); })),
                         attributes);
}

PyObject* create_class(PyObject* module, PyType_Spec& spec, const TransformHooks* transform,
                       const TargetHooks* target, PyGetSetDef* attributes) {
  Ref type(with_attributes(
      checked(with_coexist(spec, [&] { return PyType_FromModuleAndSpec(module, &spec, nullptr); })),
      attributes));
  if (!type || !add_class(module, type.get(), transform, target)) return nullptr;
  return type.release();
}

}  // namespace zerak::py
