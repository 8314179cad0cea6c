#include "members.hpp"

#include <algorithm>
#include <string>

#include "io/convert.hpp"
#include "runtime/exceptions.hpp"

namespace zerak::py {

bool hold_items(PyObject* iterable, const char* argument, std::vector<Ref>& out) {
  const Py_ssize_t n = for_each_item(iterable, [&](Py_ssize_t, PyObject* item) {
    out.push_back(Ref::borrowed(item));
    return true;
  });
  if (n < 0) return name_argument_error(argument), false;
  return true;
}

void raise_unsupported(PyObject* obj, const char* kind) {
  Ref name(PyType_GetName(Py_TYPE(obj)));
  if (!name) return;
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(name.get(), &size);
  if (utf8 == nullptr) return;
  // Cross-sections see every symbol of a bar: only a universe has them.
  const int cross = PyObject_HasAttrStringWithError(obj, "_cross_section");
  if (cross < 0) return;
  if (cross > 0) {
    raise(ZerakError::invalid_config(std::string(utf8, std::size_t(size)) +
                                     " is cross-sectional: it runs in a UniversePipeline only"));
    return;
  }
  raise(ZerakError::invalid_config(std::string("unsupported ") + kind +
                                   " type: " + std::string(utf8, std::size_t(size))));
}

namespace {

// zerak.ConfigWarning, defined in Python beside the package's exception
// helpers (zerak/_errors.py) and looked up once: a borrowed reference kept
// for the life of the process, or nullptr with the error set.
PyObject* config_warning() {
  static PyObject* category = nullptr;  // kept for the life of the process
  if (category == nullptr) {
    Ref module(PyImport_ImportModule("zerak._errors"));
    if (!module) return nullptr;
    category = PyObject_GetAttrString(module.get(), "ConfigWarning");
  }
  return category;
}

// "repr(obj): message", or the message alone when the repr cannot be had.
Ref warning_text(PyObject* obj, const std::string& message) {
  if (obj != nullptr) {
    if (Ref text{PyUnicode_FromFormat("%R: %s", obj, message.c_str())}) return text;
    PyErr_Clear();  // a user's repr failed: the message still names the columns
  }
  return Ref(PyUnicode_FromStringAndSize(message.data(), Py_ssize_t(message.size())));
}

}  // namespace

bool warn_lost_data(const std::vector<FeaturePipeline::Finding>& found,
                    const std::vector<Ref>& objects,
                    const std::vector<const StreamingTransform*>& made, int stack_level) {
  for (const FeaturePipeline::Finding& f : found) {
    if (!f.loses_data()) continue;
    PyObject* category = config_warning();
    if (category == nullptr) return false;
    // The object the transform concerned was copied from, if any.
    PyObject* obj = nullptr;
    if (f.transform != nullptr) {
      const std::size_t i =
          std::size_t(std::find(made.begin(), made.end(), f.transform) - made.begin());
      if (i < made.size() && i < objects.size()) obj = objects[i].get();
    }
    Ref text(warning_text(obj, f.message));
    if (!text) return false;
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(text.get(), &size);
    if (utf8 == nullptr || PyErr_WarnEx(category, utf8, stack_level) < 0) return false;
  }
  return true;
}

}  // namespace zerak::py
