#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <new>
#include <string>
#include <utility>

#include "borrow.hpp"
#include "exceptions.hpp"
#include "io/convert.hpp"
#include "registry.hpp"
#include "snapshot_methods.hpp"

// The generic Python class around one core object: transforms and targets
// (classes/) and the two pipelines (pipelines/). Its objects hold the core
// object by value, a borrow flag and, for a class that needs one, a working
// `Extra` built from the core object (such as a pipeline's conversion row).
namespace zerak::py {

// "{name}{signature}\n--\n\n{doc}": the layout from which Python derives
// __text_signature__ and __doc__.
inline std::string stored_doc(const std::string& name, const std::string& signature,
                              const char* doc) {
  return name + signature + "\n--\n\n" + doc;
}

PyObject* wrong_self(PyObject* self, const char* class_name);
// A class built from `spec`, with the read-only `attributes` (a table ended
// by an entry without a name; may be null). An attribute whose name is
// already a method of the class is left out.
PyObject* create_type(PyType_Spec& spec, PyGetSetDef* attributes = nullptr);
// A class of the module's table: created for the module, then added to it.
PyObject* create_class(PyObject* module, PyType_Spec& spec, const TransformHooks* transform,
                       const TargetHooks* target, PyGetSetDef* attributes = nullptr);

struct NoExtra {
  template <class Core>
  explicit NoExtra(const Core&) noexcept {}
};

template <class Core, class Extra = NoExtra>
class ObjectClass {
 protected:
  static inline PyTypeObject* type_ = nullptr;  // kept alive by the module
  static inline const char* name_ = "";

 public:
  struct Object {
    PyObject_HEAD Core core;
    BorrowFlag borrow;
    Extra extra;
  };

  static Object* as_object(PyObject* self) noexcept { return reinterpret_cast<Object*>(self); }
  static bool is_instance(PyObject* self) noexcept { return Py_IS_TYPE(self, type_); }

  // A new object of `type` around `core`; nullptr with the error set.
  static PyObject* wrap_as(PyTypeObject* type, Core&& core) {
    Extra extra(core);  // may throw: before the object exists
    PyObject* self = type->tp_alloc(type, 0);
    if (self == nullptr) return nullptr;
    Object* obj = as_object(self);
    new (&obj->core) Core(std::move(core));
    new (&obj->borrow) BorrowFlag();
    new (&obj->extra) Extra(std::move(extra));
    return self;
  }
  static PyObject* wrap(Core&& core) { return wrap_as(type_, std::move(core)); }

  static void tp_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    Object* obj = as_object(self);
    obj->extra.~Extra();
    obj->borrow.~BorrowFlag();
    obj->core.~Core();
    type->tp_free(self);
    Py_DECREF(type);
  }

  // A method that reads the object under a shared borrow: read(const Core&).
  template <class Read>
  static PyObject* read(PyObject* self, Read&& read_core) {
    ZERAK_PY_TRY
    if (!is_instance(self)) return wrong_self(self, name_);
    Object* obj = as_object(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    return read_core(std::as_const(obj->core));
    ZERAK_PY_CATCH
  }

  // f(const Core&) under a shared borrow, for the pipelines' private copies;
  // an empty result with the error set when the object is busy.
  template <class F>
  static auto copy_out(PyObject* self, F&& f) -> decltype(f(std::declval<const Core&>())) {
    Object* obj = as_object(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return {};
    return f(std::as_const(obj->core));
  }

  // A method that changes the object under an exclusive borrow: change(Object&).
  template <class Change>
  static PyObject* change(PyObject* self, Change&& change_object) {
    ZERAK_PY_TRY
    if (!is_instance(self)) return wrong_self(self, name_);
    Object* obj = as_object(self);
    ExclusiveBorrow borrow(obj->borrow);  // before any conversion, which may re-enter
    if (!borrow) return nullptr;
    return change_object(*obj);
    ZERAK_PY_CATCH
  }

  static PyObject* input_names(PyObject* self, PyObject*) {
    return read(self, [](const Core& c) { return names_to_list(c.inputs()); });
  }
  static PyObject* output_names(PyObject* self, PyObject*) {
    return read(self, [](const Core& c) { return names_to_list(c.outputs()); });
  }

  // len(): the number of members (pipelines).
  static Py_ssize_t length(PyObject* self) {
    if (!is_instance(self)) return wrong_self(self, name_), -1;
    Object* obj = as_object(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return -1;
    return Py_ssize_t(obj->core.size());
  }

  using Snapshots = SnapshotMethods<Object, Core, &type_, &wrap>;

 protected:
  // Records the created class (nullptr with the error set passes through)
  // and announces it to zerak.snapshot.
  static PyObject* adopt(PyObject* type, const char* name) {
    type_ = reinterpret_cast<PyTypeObject*>(type);
    name_ = name;
    if (type != nullptr) Snapshots::announce(name);
    return type;
  }

  static PyType_Spec spec(const char* qualified_name, PyType_Slot* slots) {
    return {qualified_name, int(sizeof(Object)), 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE,
            slots};
  }
};

template <auto F>
PyCFunction fastcall_method() noexcept {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(F));
}

}  // namespace zerak::py
