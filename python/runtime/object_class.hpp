#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "binding.hpp"
#include "borrow.hpp"
#include "io/convert.hpp"
#include "error.hpp"
#include "exceptions.hpp"
#include "parameters.hpp"
#include "registry.hpp"
#include "snapshot_methods.hpp"
#include "traits.hpp"

// The generic Python class around one core transform or target. A class is
// an entry (read off the core class's declarations, see classes/declared.hpp);
// this file turns it into a heap type whose objects hold the core object by
// value plus a borrow flag.
namespace zerak::py {

inline constexpr const char* kInputNamesDoc = "Input column names.";
inline constexpr const char* kWarmUpDoc = "Number of bars before the first valid output.";
inline constexpr const char* kForwardPeriodDoc = "Number of bars at the end that will be ``NaN``.";

template <class Core>
struct TransformEntry {
  const char* name;
  std::vector<Param> params;
  const char* doc;
  const char* update_doc;  // the sentence after "update($self, values)\n--\n\n"
  const char* reset_doc;
  // Builds the core object; an error becomes the exception of its variant
  // (the binding's own parsing errors use ZerakError::invalid_config).
  Result<Core> (*create)(Args& args);
  void (*repr)(const Core& core, ReprFields& fields);
};

template <class Core>
struct TargetEntry {
  const char* name;
  std::vector<Param> params;
  const char* doc;
  Result<Core> (*create)(Args& args);
  void (*repr)(const Core& core, ReprFields& fields);
  const char* output_names_doc = schema::kOutputNamesDoc;
};

// "{name}{signature}\n--\n\n{doc}": the layout from which Python derives
// __text_signature__ and __doc__.
inline std::string stored_doc(const std::string& name, const std::string& signature,
                              const char* doc) {
  return name + signature + "\n--\n\n" + doc;
}

PyObject* wrong_self(PyObject* self, const char* class_name);
PyObject* create_type(PyType_Spec& spec);
// A class of the module's table: created for the module, then added to it.
PyObject* create_class(PyObject* module, PyType_Spec& spec, const TransformHooks* transform,
                       const TargetHooks* target);

// ---------------------------------------------------------------------------

// What transform and target objects share: layout, construction, names, repr.
template <class Core, class Entry>
class ObjectClass {
 public:
  struct Object {
    PyObject_HEAD
    Core core;
    BorrowFlag borrow;
  };

  static constexpr std::size_t kMaxParams = 8;

  static Object* as_object(PyObject* self) noexcept { return reinterpret_cast<Object*>(self); }
  static bool is_instance(PyObject* self) noexcept { return Py_IS_TYPE(self, type_); }

  static PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    ZERAK_PY_TRY
    std::array<PyObject*, kMaxParams> bound{};
    if (!bind_tuple(new_signature_, args, kwargs, bound.data())) return nullptr;
    Args converted;
    if (!converted.convert(entry_->params, bound.data())) return nullptr;
    std::optional<Result<Core>> built;
    try {
      built.emplace(entry_->create(converted));
    } catch (const std::bad_alloc&) {
      return raise_allocation_failure(entry_->name, entry_->params, converted);
    } catch (const std::length_error&) {  // a size beyond any allocation
      return raise_allocation_failure(entry_->name, entry_->params, converted);
    }
    Result<Core>& created = *built;
    if (!created) return raise(created.error());
    PyObject* self = type->tp_alloc(type, 0);
    if (self == nullptr) return nullptr;
    Object* obj = as_object(self);
    new (&obj->core) Core(std::move(created).value());
    new (&obj->borrow) BorrowFlag();
    return self;
    ZERAK_PY_CATCH
  }

  static void tp_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    Object* obj = as_object(self);
    obj->core.~Core();
    obj->borrow.~BorrowFlag();
    type->tp_free(self);
    Py_DECREF(type);
  }

  static PyObject* tp_repr(PyObject* self) {
    ZERAK_PY_TRY
    if (!is_instance(self)) return wrong_self(self, entry_->name);
    Object* obj = as_object(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    ReprFields fields;
    entry_->repr(obj->core, fields);
    const std::string text = std::string(entry_->name) + "(" + fields.text() + ")";
    return PyUnicode_FromStringAndSize(text.data(), Py_ssize_t(text.size()));
    ZERAK_PY_CATCH
  }

  // A method that reads the object under a shared borrow.
  template <class Read>
  static PyObject* read(PyObject* self, Read&& read_core) {
    ZERAK_PY_TRY
    if (!is_instance(self)) return wrong_self(self, entry_->name);
    Object* obj = as_object(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    return read_core(std::as_const(obj->core));
    ZERAK_PY_CATCH
  }

  static PyObject* input_names(PyObject* self, PyObject*) {
    return read(self, [](const Core& c) { return names_to_list(c.inputs()); });
  }
  static PyObject* output_names(PyObject* self, PyObject*) {
    return read(self, [](const Core& c) { return names_to_list(c.outputs()); });
  }

 protected:
  // Fills the class statics and creates the type object in the module's table.
  static PyObject* make_type(PyObject* module, const Entry& entry, std::span<PyMethodDef> methods,
                             const TransformHooks* transform, const TargetHooks* target) {
    if (entry.params.size() > kMaxParams) {
      PyErr_Format(PyExc_SystemError, "%s declares too many parameters", entry.name);
      return nullptr;
    }
    entry_ = &entry;
    const std::string signature = text_signature(entry.params);
    new_signature_ = call_signature(std::string(entry.name) + ".__new__()", entry.params);
    class_doc_ = stored_doc(entry.name, signature, entry.doc);
    qualified_name_ = std::string("zerak.") + entry.name;
    static PyType_Slot slots[] = {
        {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
        {Py_tp_dealloc, reinterpret_cast<void*>(&tp_dealloc)},
        {Py_tp_repr, reinterpret_cast<void*>(&tp_repr)},
        {Py_tp_doc, nullptr},
        {Py_tp_methods, nullptr},
        {0, nullptr},
    };
    slots[3].pfunc = const_cast<char*>(class_doc_.c_str());
    slots[4].pfunc = methods.data();
    static PyType_Spec spec = {
        nullptr, int(sizeof(Object)), 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE, slots,
    };
    spec.name = qualified_name_.c_str();
    PyObject* type = create_class(module, spec, transform, target);
    type_ = reinterpret_cast<PyTypeObject*>(type);
    return type;
  }

  // A new object of this class around `core`.
  static PyObject* wrap(Core&& core) {
    PyObject* self = type_->tp_alloc(type_, 0);
    if (self == nullptr) return nullptr;
    Object* obj = as_object(self);
    new (&obj->core) Core(std::move(core));
    new (&obj->borrow) BorrowFlag();
    return self;
  }

  static inline const Entry* entry_ = nullptr;
  static inline PyTypeObject* type_ = nullptr;  // kept alive by the module
  static inline CallSignature new_signature_;
  static inline std::string class_doc_;
  static inline std::string qualified_name_;

  using Snapshots = SnapshotMethods<Object, Core, &type_, &wrap>;
};

// A transform class: update, reset, input_names, output_names, warm_up_period.
template <class Core>
class TransformClass : public ObjectClass<Core, TransformEntry<Core>> {
  using Base = ObjectClass<Core, TransformEntry<Core>>;
  using Base::as_object;
  using Base::entry_;
  using Base::is_instance;

  // Values kept on the stack; a transform reading more spills to the heap.
  static constexpr std::size_t kInlineValues = 8;

 public:
  static PyObject* update(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
    ZERAK_PY_TRY
    PyObject* values = nullptr;
    if (nargs == 1 && kwnames == nullptr) {
      values = args[0];
    } else if (!bind_fastcall(update_signature_, args, nargs, kwnames, &values)) {
      return nullptr;
    }
    if (!is_instance(self)) return wrong_self(self, entry_->name);
    auto* obj = as_object(self);
    ExclusiveBorrow borrow(obj->borrow);  // before conversion, which may re-enter
    if (!borrow) return nullptr;
    const std::size_t needed = obj->core.values_read();
    std::array<Value, kInlineValues> inline_values;
    std::vector<Value> spilled;
    std::span<Value> keep(inline_values.data(), std::min(needed, kInlineValues));
    if (needed > kInlineValues) {
      spilled.resize(needed);
      keep = spilled;
    }
    const Py_ssize_t given = read_row(values, keep);
    if (given < 0) return name_argument_error("values"), nullptr;
    if (std::size_t(given) < needed) return too_few_values(needed, given);
    return row_to_list(obj->core.update(keep));
    ZERAK_PY_CATCH
  }

  static PyObject* reset(PyObject* self, PyObject*) {
    if (!is_instance(self)) return wrong_self(self, entry_->name);
    auto* obj = as_object(self);
    ExclusiveBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    obj->core.reset();
    Py_RETURN_NONE;
  }

  static PyObject* warm_up_period(PyObject* self, PyObject*) {
    return Base::read(self, [](const Core& c) { return PyLong_FromSize_t(c.warm_up_period()); });
  }

  static std::unique_ptr<StreamingTransform> fresh(PyObject* self) {
    auto* obj = as_object(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    return obj->core.fresh();
  }

  // Creates the type object for the entry (called by module initialisation).
  static PyObject* make(PyObject* module, const TransformEntry<Core>& entry) {
    update_signature_ = call_signature(std::string(entry.name) + ".update()", {names_param("values")});
    update_doc_ = stored_doc("update", "($self, values)", entry.update_doc);
    reset_doc_ = stored_doc("reset", "($self)", entry.reset_doc);
    methods_[0] = {"update", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&update)),
                   METH_FASTCALL | METH_KEYWORDS, update_doc_.c_str()};
    methods_[1] = no_arguments_method<&reset, "reset">(reset_doc_.c_str());
    methods_[2] = no_arguments_method<&Base::input_names, "input_names">(input_names_doc().c_str());
    methods_[3] =
        no_arguments_method<&Base::output_names, "output_names">(output_names_doc().c_str());
    methods_[4] = no_arguments_method<&warm_up_period, "warm_up_period">(warm_up_doc().c_str());
    methods_[5] = Base::Snapshots::reduce_def();
    methods_[6] = Base::Snapshots::copy_def();
    methods_[7] = Base::Snapshots::deepcopy_def();
    methods_[8] = {nullptr, nullptr, 0, nullptr};
    static constexpr TransformHooks hooks{&fresh};
    PyObject* type = Base::make_type(module, entry, methods_, &hooks, nullptr);
    if (type != nullptr) Base::Snapshots::announce(entry.name);
    return type;
  }

 private:
  static PyObject* too_few_values(std::size_t needed, Py_ssize_t given) {
    const std::string message = "expected at least " + std::to_string(needed) +
                                " input value(s), got " + std::to_string(given);
    return raise_invalid_input(message.c_str());
  }
  static const std::string& input_names_doc() {
    static const std::string doc = stored_doc("input_names", "($self)", kInputNamesDoc);
    return doc;
  }
  static const std::string& output_names_doc() {
    static const std::string doc = stored_doc("output_names", "($self)", schema::kOutputNamesDoc);
    return doc;
  }
  static const std::string& warm_up_doc() {
    static const std::string doc = stored_doc("warm_up_period", "($self)", kWarmUpDoc);
    return doc;
  }

  static inline CallSignature update_signature_;
  static inline std::string update_doc_;
  static inline std::string reset_doc_;
  static inline PyMethodDef methods_[9];
};

// A target class: configuration only (input_names, output_names, forward_period).
template <class Core>
class TargetClass : public ObjectClass<Core, TargetEntry<Core>> {
  using Base = ObjectClass<Core, TargetEntry<Core>>;
  using Base::as_object;

 public:
  static PyObject* forward_period(PyObject* self, PyObject*) {
    return Base::read(self, [](const Core& c) { return PyLong_FromSize_t(c.forward_period()); });
  }

  static std::unique_ptr<Target> copy(PyObject* self) {
    auto* obj = as_object(self);
    SharedBorrow borrow(obj->borrow);
    if (!borrow) return nullptr;
    return obj->core.clone();
  }

  static PyObject* make(PyObject* module, const TargetEntry<Core>& entry) {
    input_names_doc_ = stored_doc("input_names", "($self)", kInputNamesDoc);
    output_names_doc_ = stored_doc("output_names", "($self)", entry.output_names_doc);
    forward_period_doc_ = stored_doc("forward_period", "($self)", kForwardPeriodDoc);
    methods_[0] = no_arguments_method<&Base::input_names, "input_names">(input_names_doc_.c_str());
    methods_[1] =
        no_arguments_method<&Base::output_names, "output_names">(output_names_doc_.c_str());
    methods_[2] =
        no_arguments_method<&forward_period, "forward_period">(forward_period_doc_.c_str());
    methods_[3] = Base::Snapshots::reduce_def();
    methods_[4] = Base::Snapshots::copy_def();
    methods_[5] = Base::Snapshots::deepcopy_def();
    methods_[6] = {nullptr, nullptr, 0, nullptr};
    static constexpr TargetHooks hooks{&copy};
    PyObject* type = Base::make_type(module, entry, methods_, nullptr, &hooks);
    if (type != nullptr) Base::Snapshots::announce(entry.name);
    return type;
  }

 private:
  static inline std::string input_names_doc_;
  static inline std::string output_names_doc_;
  static inline std::string forward_period_doc_;
  static inline PyMethodDef methods_[7];
};

}  // namespace zerak::py
