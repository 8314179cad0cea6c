#include "wrapper.hpp"

namespace zerak::py {
namespace {

std::vector<TransformHooks>& transform_hooks() {
  static std::vector<TransformHooks> all;
  return all;
}
std::vector<TargetHooks>& target_hooks() {
  static std::vector<TargetHooks> all;
  return all;
}

}  // namespace

void add_transform_hooks(const TransformHooks& hooks) { transform_hooks().push_back(hooks); }
void add_target_hooks(const TargetHooks& hooks) { target_hooks().push_back(hooks); }

const TransformHooks* find_transform_hooks(PyObject* obj) noexcept {
  for (const TransformHooks& h : transform_hooks()) {
    if (Py_IS_TYPE(obj, h.type)) return &h;
  }
  return nullptr;
}

const TargetHooks* find_target_hooks(PyObject* obj) noexcept {
  for (const TargetHooks& h : target_hooks()) {
    if (Py_IS_TYPE(obj, h.type)) return &h;
  }
  return nullptr;
}

PyObject* wrong_self(PyObject* self, const char* class_name) {
  Ref name = type_qualname(self);
  if (!name) return nullptr;
  PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to '%s'", name.get(), class_name);
  return nullptr;
}

PyObject* create_type(PyType_Spec& spec) { return PyType_FromSpec(&spec); }

}  // namespace zerak::py
