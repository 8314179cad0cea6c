// The core of zerak.UniversePipeline: per-symbol copies of transform objects
// and the cross-sections, over float64 buffers the Python class has already
// shaped (zerak/universe.py). Every buffer is checked again here, so that no
// call can read past one.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "custom/object_transform.hpp"
#include "io/convert.hpp"
#include "io/result_array.hpp"
#include "members.hpp"
#include "runtime/exceptions.hpp"
#include "runtime/gil_released.hpp"
#include "runtime/object_class.hpp"
#include "runtime/registry.hpp"
#include "universe/universe_pipeline.hpp"

namespace zerak::py {
namespace {

using Class = ObjectClass<UniversePipeline>;
using Object = Class::Object;

// A C-contiguous buffer held for the scope.
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (held_) PyBuffer_Release(&view_);
  }
  // `ndim` dimensions of items of format `kind` ('d' float64, 'B' bytes).
  bool open(PyObject* obj, int ndim, char kind, const char* what) {
    if (PyObject_GetBuffer(obj, &view_, PyBUF_C_CONTIGUOUS | PyBUF_FORMAT) < 0) return false;
    held_ = true;
    const char* f = view_.format != nullptr ? view_.format : "B";
    if (*f == '<' || *f == '=' || *f == '@') ++f;
    const bool item_ok =
        kind == 'd' ? std::strcmp(f, "d") == 0 && view_.itemsize == 8
                    : (std::strcmp(f, "B") == 0 || std::strcmp(f, "?") == 0) && view_.itemsize == 1;
    if (!item_ok || view_.ndim != ndim) {
      PyErr_Format(PyExc_TypeError, "%s: expected a C-contiguous %d-D %s buffer", what, ndim,
                   kind == 'd' ? "float64" : "uint8");
      return false;
    }
    return true;
  }
  [[nodiscard]] Py_ssize_t extent(int dim) const noexcept { return view_.shape[dim]; }
  template <class T>
  [[nodiscard]] const T* data() const noexcept {
    return static_cast<const T*>(view_.buf);
  }

 private:
  Py_buffer view_{};
  bool held_ = false;
};

bool shape_error(const char* what) {
  PyErr_Format(PyExc_ValueError, "%s: shape does not match the universe", what);
  return false;
}

// A member's core copy: a cross-section from the (kind name, inputs,
// outputs, a, b) its Python class describes, else a fresh transform.
bool copy_member(PyObject* obj, UniversePipeline::Member& out) {
  PyObject* describe = nullptr;
  if (PyObject_GetOptionalAttrString(obj, "_cross_section", &describe) < 0) return false;
  if (describe == nullptr) {
    if (const TransformHooks* hooks = find_transform_hooks(obj)) {
      if ((out.transform = hooks->fresh(obj))) return true;
      PyErr_Clear();
    }
    raise_unsupported(obj, "transform");
    return false;
  }
  const Ref method(describe);
  const Ref spec(PyObject_CallNoArgs(method.get()));
  if (!spec) return false;
  const char* kind_name = nullptr;
  PyObject* inputs = nullptr;
  PyObject* outputs = nullptr;
  double a = 0;
  double b = 0;
  if (!PyArg_ParseTuple(spec.get(), "sOOdd", &kind_name, &inputs, &outputs, &a, &b)) return false;
  const std::optional<CrossSection::Kind> kind = CrossSection::kind_named(kind_name);
  Names in;
  Names outs;
  if (!kind || !to_names(inputs, in) || !to_names(outputs, outs)) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "malformed cross-section");
    return false;
  }
  Result<CrossSection> made = CrossSection::create(*kind, std::move(in), std::move(outs), a, b);
  if (!made) return raise(made.error()), false;
  out.cross = std::make_unique<CrossSection>(std::move(made).value());
  return true;
}

// Core(transforms, input_columns, symbols, warn_level=0): warn_level, when
// not 0, is the stack level of the zerak.ConfigWarning for each slip that
// loses data (a restored universe was warned about when first built).
PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  ZERAK_PY_TRY
  static const char* keywords[] = {"transforms", "input_columns", "symbols", "warn_level", nullptr};
  PyObject* members = nullptr;
  PyObject* columns = nullptr;
  Py_ssize_t symbols = 0;
  int warn_level = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOn|i", const_cast<char**>(keywords), &members,
                                   &columns, &symbols, &warn_level)) {
    return nullptr;
  }
  if (symbols < 0) return PyErr_SetString(PyExc_ValueError, "symbols must be >= 0"), nullptr;
  std::vector<Ref> objects;
  if (!hold_items(members, "transforms", objects)) return nullptr;
  Names names;
  if (!to_names(columns, names)) return name_argument_error("input_names"), nullptr;
  std::vector<UniversePipeline::Member> copies(objects.size());
  std::vector<const StreamingTransform*> made(objects.size(), nullptr);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (!copy_member(objects[i].get(), copies[i])) return nullptr;
    made[i] = copies[i].transform.get();
  }
  Result<UniversePipeline> created =
      UniversePipeline::create(std::move(copies), std::move(names), std::size_t(symbols));
  if (!created) return raise(created.error());
  if (warn_level != 0 && !warn_lost_data(created.value().lost_data(), objects, made, warn_level)) {
    return nullptr;
  }
  return Class::wrap_as(type, std::move(created).value());
  ZERAK_PY_CATCH
}

// update(matrix, mask, peek, threads): symbols x outputs.
PyObject* live(PyObject* self, PyObject* args) {
  PyObject* matrix = nullptr;
  PyObject* mask = nullptr;
  int peek = 0;
  unsigned threads = 1;
  if (!PyArg_ParseTuple(args, "OOpI", &matrix, &mask, &peek, &threads)) return nullptr;
  return Class::change(self, [&](Object& obj) -> PyObject* {
    UniversePipeline& core = obj.core;
    const std::size_t n = core.symbols();
    Held values;
    Held flags;
    if (!values.open(matrix, 2, 'd', "matrix")) return nullptr;
    if (std::size_t(values.extent(0)) != n ||
        std::size_t(values.extent(1)) != core.inputs().size()) {
      return shape_error("matrix"), nullptr;
    }
    if (mask != Py_None) {
      if (!flags.open(mask, 1, 'B', "mask")) return nullptr;
      if (std::size_t(flags.extent(0)) != n) return shape_error("mask"), nullptr;
    }
    ResultArray out;
    if (!out.allocate(n, core.outputs().size())) return nullptr;
    {
      GilReleased unlocked;
      core.update(values.data<double>(), mask != Py_None ? flags.data<std::uint8_t>() : nullptr,
                  out.data(), peek != 0, threads);
    }
    return out.publish();
  });
}

// run(panel, mask, reset, threads): bars x (symbols * outputs).
PyObject* run(PyObject* self, PyObject* args) {
  PyObject* panel = nullptr;
  PyObject* mask = nullptr;
  int reset = 0;
  unsigned threads = 1;
  if (!PyArg_ParseTuple(args, "OOpI", &panel, &mask, &reset, &threads)) return nullptr;
  return Class::change(self, [&](Object& obj) -> PyObject* {
    UniversePipeline& core = obj.core;
    const std::size_t n = core.symbols();
    Held values;
    Held flags;
    if (!values.open(panel, 3, 'd', "panel")) return nullptr;
    const std::size_t bars = std::size_t(values.extent(0));
    if (std::size_t(values.extent(1)) != n ||
        std::size_t(values.extent(2)) != core.inputs().size()) {
      return shape_error("panel"), nullptr;
    }
    if (mask != Py_None) {
      if (!flags.open(mask, 2, 'B', "mask")) return nullptr;
      if (std::size_t(flags.extent(0)) != bars || std::size_t(flags.extent(1)) != n) {
        return shape_error("mask"), nullptr;
      }
    }
    ResultArray out;
    if (!out.allocate(bars, n * core.outputs().size())) return nullptr;
    bool completed;
    {
      GilReleased unlocked;
      completed = core.run(values.data<double>(),
                           mask != Py_None ? flags.data<std::uint8_t>() : nullptr, bars, out.data(),
                           reset != 0, threads, [&unlocked] { return unlocked.poll_signals(); });
    }
    if (!completed) {
      core.reset();  // stopped part way: no state the caller never got results for
      return nullptr;
    }
    return out.publish();
  });
}

PyObject* reset(PyObject* self, PyObject*) {
  return Class::change(self, [](Object& obj) {
    obj.core.reset();
    Py_RETURN_NONE;
  });
}

PyObject* add_symbol(PyObject* self, PyObject*) {
  return Class::change(self, [](Object& obj) {
    obj.core.add_symbol();
    Py_RETURN_NONE;
  });
}

// A symbol's index, checked.
bool symbol_index(PyObject* arg, const UniversePipeline& core, std::size_t& out) {
  const Py_ssize_t i = PyLong_AsSsize_t(arg);
  if (i == -1 && PyErr_Occurred()) return false;
  if (i < 0 || std::size_t(i) >= core.symbols()) {
    PyErr_SetString(PyExc_IndexError, "symbol index out of range");
    return false;
  }
  out = std::size_t(i);
  return true;
}

PyObject* remove_symbol(PyObject* self, PyObject* arg) {
  return Class::change(self, [arg](Object& obj) -> PyObject* {
    std::size_t i = 0;
    if (!symbol_index(arg, obj.core, i)) return nullptr;
    obj.core.remove_symbol(i);
    Py_RETURN_NONE;
  });
}

// save_symbol(i): a list of bytes, one per per-symbol stage.
PyObject* save_symbol(PyObject* self, PyObject* arg) {
  return Class::read(self, [arg](const UniversePipeline& core) -> PyObject* {
    std::size_t i = 0;
    if (!symbol_index(arg, core, i)) return nullptr;
    const std::vector<snapshot::Bytes> states = core.save_symbol(i);
    Ref list(PyList_New(Py_ssize_t(states.size())));
    if (!list) return nullptr;
    for (std::size_t k = 0; k < states.size(); ++k) {
      PyObject* b = PyBytes_FromStringAndSize(reinterpret_cast<const char*>(states[k].data()),
                                              Py_ssize_t(states[k].size()));
      if (b == nullptr) return nullptr;
      PyList_SET_ITEM(list.get(), Py_ssize_t(k), b);
    }
    return list.release();
  });
}

// restore_symbol(i, states)
PyObject* restore_symbol(PyObject* self, PyObject* args) {
  PyObject* index = nullptr;
  PyObject* states = nullptr;
  if (!PyArg_ParseTuple(args, "OO!", &index, &PyList_Type, &states)) return nullptr;
  return Class::change(self, [&](Object& obj) -> PyObject* {
    std::size_t i = 0;
    if (!symbol_index(index, obj.core, i)) return nullptr;
    std::vector<std::span<const std::uint8_t>> spans;
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(states); ++k) {
      PyObject* item = PyList_GET_ITEM(states, k);
      if (!PyBytes_Check(item)) {
        PyErr_SetString(PyExc_TypeError, "a symbol's states must be bytes");
        return nullptr;
      }
      spans.emplace_back(reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(item)),
                         std::size_t(PyBytes_GET_SIZE(item)));
    }
    const Result<Unit> done = obj.core.restore_symbol(i, spans);
    // Nothing a restore ran may leave a failure waiting for a later call.
    if (user_transform_failed()) return raise_user_transform_failure();
    if (!done) return raise(done.error());
    Py_RETURN_NONE;
  });
}

PyObject* warm_up_period(PyObject* self, PyObject*) {
  return Class::read(
      self, [](const UniversePipeline& u) { return PyLong_FromSize_t(u.warm_up_period()); });
}

PyObject* symbol_count(PyObject* self, PyObject*) {
  return Class::read(self,
                     [](const UniversePipeline& u) { return PyLong_FromSize_t(u.symbols()); });
}

PyMethodDef methods[] = {
    {"update", reinterpret_cast<PyCFunction>(&live), METH_VARARGS, nullptr},
    {"run", reinterpret_cast<PyCFunction>(&run), METH_VARARGS, nullptr},
    {"reset", reinterpret_cast<PyCFunction>(&reset), METH_NOARGS, nullptr},
    {"add_symbol", reinterpret_cast<PyCFunction>(&add_symbol), METH_NOARGS, nullptr},
    {"remove_symbol", reinterpret_cast<PyCFunction>(&remove_symbol), METH_O, nullptr},
    {"save_symbol", reinterpret_cast<PyCFunction>(&save_symbol), METH_O, nullptr},
    {"restore_symbol", reinterpret_cast<PyCFunction>(&restore_symbol), METH_VARARGS, nullptr},
    {"warm_up_period", reinterpret_cast<PyCFunction>(&warm_up_period), METH_NOARGS, nullptr},
    {"symbol_count", reinterpret_cast<PyCFunction>(&symbol_count), METH_NOARGS, nullptr},
    {"input_names", reinterpret_cast<PyCFunction>(&Class::input_names), METH_NOARGS, nullptr},
    {"output_names", reinterpret_cast<PyCFunction>(&Class::output_names), METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&Class::tp_dealloc)},
    {Py_tp_doc, const_cast<char*>("The compiled state of a zerak.UniversePipeline.")},
    {Py_tp_methods, methods},
    {0, nullptr},
};

struct Make : Class {
  static PyObject* make() {
    static PyType_Spec spec = Class::spec("zerak._universe.Core", slots);
    PyObject* type = create_type(spec);
    type_ = reinterpret_cast<PyTypeObject*>(type);
    name_ = "Core";
    return type;
  }
};

}  // namespace

// A module of its own, as zerak._snapshot: the extension's own namespace
// lists the documented exports only.
bool add_universe_core(PyObject*) {
  static PyModuleDef module_def = {
      PyModuleDef_HEAD_INIT,
      "zerak._universe",
      "Compiled part of zerak.universe.",
      -1,
      nullptr,
      nullptr,
      nullptr,
      nullptr,
      nullptr,
  };
  Ref module(PyModule_Create(&module_def));
  Ref type(Make::make());
  if (!module || !type || PyModule_AddObjectRef(module.get(), "Core", type.get()) < 0) {
    return false;
  }
  return PyDict_SetItemString(PyImport_GetModuleDict(), "zerak._universe", module.get()) == 0;
}

}  // namespace zerak::py
