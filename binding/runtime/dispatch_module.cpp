#include "dispatch_module.hpp"

#include "py_ref.hpp"
#include "simd/dispatch.hpp"

namespace zerak::py {
namespace {

constexpr const char* kModuleName = "zerak._dispatch";
constexpr simd::Level kLevels[] = {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512};

PyObject* active(PyObject*, PyObject*) {
  return PyUnicode_FromString(simd::level_name(simd::active_level()));
}

PyObject* available(PyObject*, PyObject*) {
  Ref names(PyList_New(0));
  if (!names) return nullptr;
  for (const simd::Level level : kLevels) {
    if (!simd::available(level)) continue;
    Ref name(PyUnicode_FromString(simd::level_name(level)));
    if (!name || PyList_Append(names.get(), name.get()) < 0) return nullptr;
  }
  return names.release();
}

PyObject* use(PyObject*, PyObject* arg) {
  if (!PyUnicode_Check(arg)) {
    return PyErr_Format(PyExc_TypeError, "use() expects a str, got '%s'", Py_TYPE(arg)->tp_name);
  }
  for (const simd::Level level : kLevels) {
    if (!PyUnicode_EqualToUTF8(arg, simd::level_name(level))) continue;
    if (!simd::use_level(level)) {
      return PyErr_Format(PyExc_ValueError, "this CPU lacks the instruction set %R", arg);
    }
    Py_RETURN_NONE;
  }
  return PyErr_Format(PyExc_ValueError,
                      "unknown instruction set %R (expected 'baseline', 'avx2' or 'avx512')", arg);
}

PyMethodDef kMethods[] = {
    {"active", &active, METH_NOARGS,
     "active()\n--\n\nThe instruction set the research kernels use."},
    {"available", &available, METH_NOARGS,
     "available()\n--\n\nThe instruction sets this CPU offers, baseline first."},
    {"use", &use, METH_O,
     "use(name, /)\n--\n\nUse instruction set `name` from now on (every path gives the same "
     "bits;\nthis exists so that tests can compare them)."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    kModuleName,
    "Instruction set of zerak's research kernels.",
    -1,
    kMethods,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

bool add_dispatch_module() {
  Ref module(PyModule_Create(&module_def));
  if (!module) return false;
  PyObject* modules = PyImport_GetModuleDict();  // borrowed
  return PyDict_SetItemString(modules, kModuleName, module.get()) == 0;
}

}  // namespace zerak::py
