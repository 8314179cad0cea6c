#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>
#include <vector>

#include "pipeline/feature_pipeline.hpp"
#include "runtime/py_ref.hpp"

// What both pipeline constructors do with their first argument: hold its
// objects while the rest is converted, then take a private core copy of each.
namespace zerak::py {

// The items of `iterable`; false with the error set, naming `argument`.
bool hold_items(PyObject* iterable, const char* argument, std::vector<Ref>& out);

// Raises InvalidConfigError "unsupported {kind} type: {class name}".
void raise_unsupported(PyObject* obj, const char* kind);

// copy(obj) for each object in order: a private copy, or nullptr with the
// error set. False on the first failure.
template <class Member, class Copy>
bool copy_members(const std::vector<Ref>& objects, Copy&& copy,
                  std::vector<std::unique_ptr<Member>>& out) {
  out.reserve(objects.size());
  for (const Ref& obj : objects) {
    std::unique_ptr<Member> member = copy(obj.get());
    if (!member) return false;
    out.push_back(std::move(member));
  }
  return true;
}

// Warns zerak.ConfigWarning once per finding that loses data (an output
// never written, an input column nobody reads), each naming the transform by
// the repr of the object in `objects` whose core copy is in `made` at the same
// index. `stack_level` as for PyErr_WarnEx. False with the error set when a
// warnings filter turned one into an error.
bool warn_lost_data(const std::vector<FeaturePipeline::Finding>& found,
                    const std::vector<Ref>& objects,
                    const std::vector<const StreamingTransform*>& made, int stack_level);

}  // namespace zerak::py
