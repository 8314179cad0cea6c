#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <new>
#include <optional>
#include <stdexcept>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "runtime/binding.hpp"
#include "runtime/object_class.hpp"
#include "runtime/parameters.hpp"
#include "schema.hpp"

// What a transform or target class is made from: its entry (read off the core
// class's declarations by classes/declared.hpp), and the construction and
// repr that the entry drives.
namespace zerak::py {

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
  PyGetSetDef* attributes;  // the parameters, read back
};

template <class Core>
struct TargetEntry {
  const char* name;
  std::vector<Param> params;
  const char* doc;
  Result<Core> (*create)(Args& args);
  void (*repr)(const Core& core, ReprFields& fields);
  PyGetSetDef* attributes;
  const char* output_names_doc = schema::kOutputNamesDoc;
};

template <class Core, class Entry>
class EntryClass : public ObjectClass<Core> {
  using Base = ObjectClass<Core>;

 public:
  static constexpr std::size_t kMaxParams = 8;

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
    return Base::wrap_as(type, std::move(created).value());
    ZERAK_PY_CATCH
  }

  static PyObject* tp_repr(PyObject* self) {
    return Base::read(self, [](const Core& core) {
      ReprFields fields;
      entry_->repr(core, fields);
      const std::string text = std::string(entry_->name) + "(" + fields.text() + ")";
      return PyUnicode_FromStringAndSize(text.data(), Py_ssize_t(text.size()));
    });
  }

 protected:
  // Creates the class for the entry, with `methods`, in the module's table.
  static PyObject* make_type(PyObject* module, const Entry& entry, std::span<PyMethodDef> methods,
                             const TransformHooks* transform, const TargetHooks* target) {
    if (entry.params.size() > kMaxParams) {
      PyErr_Format(PyExc_SystemError, "%s declares too many parameters", entry.name);
      return nullptr;
    }
    entry_ = &entry;
    new_signature_ = call_signature(std::string(entry.name) + ".__new__()", entry.params);
    class_doc_ = stored_doc(entry.name, text_signature(entry.params), entry.doc);
    qualified_name_ = std::string("zerak.") + entry.name;
    static PyType_Slot slots[] = {
        {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
        {Py_tp_dealloc, reinterpret_cast<void*>(&Base::tp_dealloc)},
        {Py_tp_repr, reinterpret_cast<void*>(&tp_repr)},
        {Py_tp_doc, nullptr},
        {Py_tp_methods, nullptr},
        {0, nullptr},
    };
    slots[3].pfunc = const_cast<char*>(class_doc_.c_str());
    slots[4].pfunc = methods.data();
    static PyType_Spec spec = Base::spec(nullptr, slots);
    spec.name = qualified_name_.c_str();
    return Base::adopt(create_class(module, spec, transform, target, entry.attributes), entry.name);
  }

  static inline const Entry* entry_ = nullptr;
  static inline CallSignature new_signature_;
  static inline std::string class_doc_;
  static inline std::string qualified_name_;
};

}  // namespace zerak::py
