#include "snapshot_module.hpp"

#include <string>
#include <vector>

#include "exceptions.hpp"
#include "py_ref.hpp"
#include "snapshot/snapshot.hpp"

namespace zerak::py {
namespace {

constexpr const char* kModuleName = "zerak._snapshot";
// The public home of the functions and the error, which pickles name.
constexpr const char* kPublicName = "zerak.snapshot";

std::vector<SnapshotClass>& classes() {
  static std::vector<SnapshotClass> all;
  return all;
}

PyObject* g_snapshot_error = nullptr;  // kept for the life of the process
PyObject* g_loader = nullptr;

const SnapshotClass* class_of_type(PyTypeObject* type) noexcept {
  for (const SnapshotClass& c : classes()) {
    if (c.type == type) return &c;
  }
  return nullptr;
}

PyObject* save(PyObject*, PyObject* obj) {
  const SnapshotClass* c = class_of_type(Py_TYPE(obj));
  if (c == nullptr) {
    return PyErr_Format(PyExc_TypeError, "cannot snapshot '%s' object", Py_TYPE(obj)->tp_name);
  }
  return c->save(obj);
}

PyObject* load_data(PyObject* data) {
  ZERAK_PY_TRY
  Py_buffer view;
  if (PyObject_GetBuffer(data, &view, PyBUF_SIMPLE) < 0) return nullptr;
  struct Release {
    Py_buffer* v;
    ~Release() { PyBuffer_Release(v); }
  } release{&view};
  const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(view.buf),
                                            std::size_t(view.len));
  const Result<std::string> tag = snapshot::class_of(bytes);
  if (!tag) return raise_snapshot_error(tag.error());
  for (const SnapshotClass& c : classes()) {
    if (c.tag == tag.value()) return c.load(bytes);
  }
  return raise_snapshot_error(
      ZerakError::invalid_config("snapshot of an unknown class: " + tag.value()));
  ZERAK_PY_CATCH
}

// load(data, /, *, cls=None): with `cls`, the object must be an instance of
// it, so that a caller (and a type checker) can rely on its class.
PyObject* load(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Py_ssize_t nkw = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
  PyObject* cls = Py_None;
  if (PyVectorcall_NARGS(nargs) != 1) {
    return PyErr_Format(PyExc_TypeError, "load() takes exactly one positional argument (%zd given)",
                        PyVectorcall_NARGS(nargs));
  }
  for (Py_ssize_t i = 0; i < nkw; ++i) {
    PyObject* name = PyTuple_GET_ITEM(kwnames, i);
    if (PyUnicode_CompareWithASCIIString(name, "cls") != 0) {
      return PyErr_Format(PyExc_TypeError, "load() got an unexpected keyword argument %R", name);
    }
    cls = args[1 + i];
  }
  Ref obj(load_data(args[0]));
  if (!obj || cls == Py_None) return obj.release();
  const int ok = PyObject_IsInstance(obj.get(), cls);
  if (ok < 0) return nullptr;
  if (ok == 0) {
    return PyErr_Format(PyExc_TypeError, "the snapshot holds a %s object, not %R",
                        Py_TYPE(obj.get())->tp_name, cls);
  }
  return obj.release();
}

PyMethodDef kSave = {"save", &save, METH_O,
                     "save(obj, /)\n--\n\n"
                     "Snapshot of a transform, target or pipeline: its configuration and state\n"
                     "as bytes (see docs/snapshots.md)."};
PyMethodDef kLoad = {"load", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&load)),
                     METH_FASTCALL | METH_KEYWORDS,
                     "load(data, /, *, cls=None)\n--\n\n"
                     "The object a snapshot holds, continuing exactly where the saved one stood.\n"
                     "Raises SnapshotError for a truncated, corrupted, foreign or newer snapshot,\n"
                     "and TypeError when cls is given and the object is not an instance of it."};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    kModuleName,
    "Snapshots of zerak objects (see zerak.snapshot).",
    -1,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

bool add_function(PyObject* module, PyMethodDef& def, PyObject** keep) {
  Ref owner(PyUnicode_FromString(kPublicName));
  if (!owner) return false;
  Ref fn(PyCFunction_NewEx(&def, nullptr, owner.get()));
  if (!fn || PyModule_AddObjectRef(module, def.ml_name, fn.get()) < 0) return false;
  if (keep != nullptr) *keep = fn.release();
  return true;
}

}  // namespace

void add_snapshot_class(const SnapshotClass& entry) {
  for (SnapshotClass& c : classes()) {
    if (c.tag == entry.tag) {
      c = entry;  // a second initialisation replaces the first
      return;
    }
  }
  classes().push_back(entry);
}

bool add_snapshot_module(PyObject* zerak_module) {
  Ref zerak_error(PyObject_GetAttrString(zerak_module, "ZerakError"));
  if (!zerak_error) return false;
  Ref module(PyModule_Create(&module_def));
  if (!module) return false;
  if (g_snapshot_error == nullptr) {
    Ref bases(PyTuple_Pack(2, PyExc_ValueError, zerak_error.get()));
    if (!bases) return false;
    g_snapshot_error = PyErr_NewExceptionWithDoc(
        "zerak.snapshot.SnapshotError",
        "A snapshot that cannot be restored: truncated, corrupted, of another\n"
        "format version, or describing an impossible object.",
        bases.get(), nullptr);
    if (g_snapshot_error == nullptr) return false;
  }
  if (PyModule_AddObjectRef(module.get(), "SnapshotError", g_snapshot_error) < 0) return false;
  Py_CLEAR(g_loader);
  if (!add_function(module.get(), kSave, nullptr) ||
      !add_function(module.get(), kLoad, &g_loader)) {
    return false;
  }
  PyObject* modules = PyImport_GetModuleDict();  // borrowed
  return PyDict_SetItemString(modules, kModuleName, module.get()) == 0;
}

PyObject* snapshot_loader() noexcept { return g_loader; }

PyObject* raise_snapshot_error(const ZerakError& error) {
  const std::string message = error.message();
  PyErr_SetString(g_snapshot_error, message.c_str());
  return nullptr;
}

}  // namespace zerak::py
