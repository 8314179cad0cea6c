#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <string>
#include <typeinfo>
#include <vector>

#include "entry_class.hpp"
#include "traits.hpp"

// A transform class: update, reset, input_names, output_names,
// warm_up_period, and pickle/copy.
namespace zerak::py {

inline constexpr const char* kInputNamesDoc = "Input column names.";
inline constexpr const char* kWarmUpDoc = "Number of bars before the first valid output.";

template <class Core>
class TransformClass : public EntryClass<Core, TransformEntry<Core>> {
  using Base = EntryClass<Core, TransformEntry<Core>>;
  using Object = typename Base::Object;
  using Base::as_object;
  using Base::entry_;

  // Values kept on the stack; a transform reading more spills to the heap.
  static constexpr std::size_t kInlineValues = 8;

 public:
  static PyObject* update(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
    PyObject* values = single_argument(update_signature_, args, nargs, kwnames);
    if (values == nullptr) return nullptr;
    return Base::change(self, [values](Object& obj) -> PyObject* {
      const std::size_t needed = obj.core.values_read();
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
      return row_to_list(obj.core.update(keep));
    });
  }

  static PyObject* reset(PyObject* self, PyObject*) {
    return Base::change(self, [](Object& obj) {
      obj.core.reset();
      Py_RETURN_NONE;
    });
  }

  static PyObject* warm_up_period(PyObject* self, PyObject*) {
    return Base::read(self, [](const Core& c) { return PyLong_FromSize_t(c.warm_up_period()); });
  }

  // The pipelines' private copy: the configuration, in the reset state.
  static std::unique_ptr<StreamingTransform> fresh(PyObject* self) {
    return Base::copy_out(self, [](const Core& c) { return c.fresh(); });
  }

  static bool wrap_copy(const StreamingTransform& core, PyObject** out) {
    if (typeid(core) != typeid(Core)) return false;
    *out = Base::wrap(Core(static_cast<const Core&>(core)));
    return true;
  }

  // Creates the type object for the entry (called by module initialisation).
  static PyObject* make(PyObject* module, const TransformEntry<Core>& entry) {
    update_signature_ =
        call_signature(std::string(entry.name) + ".update()", {names_param("values")});
    update_doc_ = stored_doc("update", "($self, values)", entry.update_doc);
    reset_doc_ = stored_doc("reset", "($self)", entry.reset_doc);
    methods_[0] = {"update", fastcall_method<&update>(), METH_FASTCALL | METH_KEYWORDS,
                   update_doc_.c_str()};
    methods_[1] = no_arguments_method<&reset, "reset">(reset_doc_.c_str());
    methods_[2] = no_arguments_method<&Base::input_names, "input_names">(docs().inputs.c_str());
    methods_[3] = no_arguments_method<&Base::output_names, "output_names">(docs().outputs.c_str());
    methods_[4] = no_arguments_method<&warm_up_period, "warm_up_period">(docs().warm_up.c_str());
    methods_[5] = Base::Snapshots::reduce_def();
    methods_[6] = Base::Snapshots::copy_def();
    methods_[7] = Base::Snapshots::deepcopy_def();
    methods_[8] = {nullptr, nullptr, 0, nullptr};
    static constexpr TransformHooks hooks{&fresh, &wrap_copy};
    return Base::make_type(module, entry, methods_, &hooks, nullptr);
  }

 private:
  static PyObject* too_few_values(std::size_t needed, Py_ssize_t given) {
    const std::string message = "expected at least " + std::to_string(needed) +
                                " input value(s), got " + std::to_string(given);
    return raise_invalid_input(message.c_str());
  }

  // The docstrings every transform class shares.
  struct SharedDocs {
    std::string inputs = stored_doc("input_names", "($self)", kInputNamesDoc);
    std::string outputs = stored_doc("output_names", "($self)", schema::kOutputNamesDoc);
    std::string warm_up = stored_doc("warm_up_period", "($self)", kWarmUpDoc);
  };
  static const SharedDocs& docs() {
    static const SharedDocs shared;
    return shared;
  }

  static inline CallSignature update_signature_;
  static inline std::string update_doc_;
  static inline std::string reset_doc_;
  static inline PyMethodDef methods_[9];
};

}  // namespace zerak::py
