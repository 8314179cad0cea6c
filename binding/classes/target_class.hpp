#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "entry_class.hpp"
#include "traits.hpp"

// A target class: configuration only (input_names, output_names,
// forward_period, pickle/copy); targets run through TargetPipeline.
namespace zerak::py {

inline constexpr const char* kForwardPeriodDoc = "Number of bars at the end that will be ``NaN``.";

template <class Core>
class TargetClass : public EntryClass<Core, TargetEntry<Core>> {
  using Base = EntryClass<Core, TargetEntry<Core>>;
  using Base::as_object;

 public:
  static PyObject* forward_period(PyObject* self, PyObject*) {
    return Base::read(self, [](const Core& c) { return PyLong_FromSize_t(c.forward_period()); });
  }

  // The pipeline's private copy.
  static std::unique_ptr<Target> copy(PyObject* self) {
    return Base::copy_out(self, [](const Core& c) { return c.clone(); });
  }

  static bool wrap_copy(const Target& core, PyObject** out) {
    if (typeid(core) != typeid(Core)) return false;
    *out = Base::wrap(Core(static_cast<const Core&>(core)));
    return true;
  }

  static PyObject* make(PyObject* module, const TargetEntry<Core>& entry) {
    input_names_doc_ = stored_doc("input_names", "($self)", "Input column names.");
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
    static constexpr TargetHooks hooks{&copy, &wrap_copy};
    return Base::make_type(module, entry, methods_, nullptr, &hooks);
  }

 private:
  static inline std::string input_names_doc_;
  static inline std::string output_names_doc_;
  static inline std::string forward_period_doc_;
  static inline PyMethodDef methods_[7];
};

}  // namespace zerak::py
