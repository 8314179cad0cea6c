#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>
#include <vector>

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

}  // namespace zerak::py
