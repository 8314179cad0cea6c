#include "members.hpp"

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
  raise(ZerakError::invalid_config(std::string("unsupported ") + kind + " type: " +
                                   std::string(utf8, std::size_t(size))));
}

}  // namespace zerak::py
