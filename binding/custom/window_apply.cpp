// WindowApply(fn, inputs, window, outputs): fn over each full window, oldest
// bar first. A compiled fn (a C function pointer) runs without the
// interpreter lock; a Python callable gets a read-only numpy array.
#include "window_apply.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "io/convert.hpp"
#include "opaque.hpp"
#include "runtime/binding.hpp"
#include "runtime/object_class.hpp"
#include "runtime/exceptions.hpp"
#include "runtime/py_ref.hpp"
#include "user_support.hpp"

namespace zerak::py {
namespace {

using user::GilHeld;
using Compiled = double (*)(const double*, std::int64_t);

constexpr const char* kClassDoc =
    "WindowApply(fn, inputs, window, outputs)\n--\n\n"
    "A user's function over each full window of its inputs, oldest bar first.\n\n"
    "``fn`` is a numba ``cfunc`` of signature ``float64(CPointer(float64), int64)``,\n"
    "a ctypes ``CFUNCTYPE(c_double, POINTER(c_double), c_int64)`` object (both\n"
    "run without the interpreter lock and return one value), or a Python\n"
    "callable taking a read-only float64 numpy array (shape ``(window,)``, or\n"
    "``(len(inputs), window)``) and returning a float, or one float per output.\n"
    "A compiled fn gets ``len(inputs) * window`` values, input by input, and\n"
    "their count. A missing value in the window gives missing outputs.\n\n"
    "Pickles by ``fn``'s own pickle; a numba cfunc by its Python function,\n"
    "compiled again on load; a ctypes fn cannot be pickled.";

PyObject* g_type = nullptr;  // the class, kept for the life of the process
PyObject* g_frombuffer = nullptr;
PyObject* g_float64 = nullptr;

// The window of every input as a ring stored twice over, so that the last
// `window` values are always contiguous, oldest first.
class WindowCore final : public OpaqueTransform {
 public:
  WindowCore(Ref fn, Compiled compiled, Names inputs, Names outputs, std::size_t window)
      : fn_(std::move(fn)),
        compiled_(compiled),
        inputs_(std::move(inputs)),
        outputs_(std::move(outputs)),
        window_(window),
        ring_(inputs_.size() * 2 * window),
        absent_(inputs_.size() * window, 0),
        missing_at_(window, 0),
        scratch_(inputs_.size() > 1 ? inputs_.size() * window : 0) {}

  WindowCore(const WindowCore& other)
      : OpaqueTransform(other),
        compiled_(other.compiled_),
        inputs_(other.inputs_),
        outputs_(other.outputs_),
        window_(other.window_),
        ring_(other.ring_),
        absent_(other.absent_),
        missing_at_(other.missing_at_),
        scratch_(other.scratch_),
        head_(other.head_),
        filled_(other.filled_),
        missing_(other.missing_),
        bars_(other.bars_) {
    GilHeld gil;
    fn_ = Ref::borrowed(other.fn_.get());
  }
  WindowCore& operator=(const WindowCore&) = delete;

  ~WindowCore() override {
    if (!Py_IsInitialized()) {  // at exit: the reference goes with the interpreter
      (void)fn_.release();
      return;
    }
    GilHeld gil;
    PyObject* raised = PyErr_GetRaisedException();
    fn_ = Ref();
    PyErr_SetRaisedException(raised);
  }

  [[nodiscard]] PyObject* fn() const noexcept { return fn_.get(); }
  [[nodiscard]] bool compiled() const noexcept { return compiled_ != nullptr; }
  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t filled() const noexcept { return filled_; }
  // Input j of the k-th bar of the window (0 the oldest) among the filled ones.
  [[nodiscard]] Value held(std::size_t j, std::size_t k) const noexcept {
    const std::size_t slot = (head_ + window_ - filled_ + k) % window_;
    return absent_[j * window_ + slot] != 0 ? kMissing : Value(ring_[j * 2 * window_ + slot]);
  }

  [[nodiscard]] Names input_names() const override { return inputs_; }
  [[nodiscard]] Names output_names() const override { return outputs_; }
  [[nodiscard]] const Names& inputs() const noexcept override { return inputs_; }
  [[nodiscard]] const Names& outputs() const noexcept override { return outputs_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return outputs_.size(); }

  [[nodiscard]] std::unique_ptr<StreamingTransform> fresh() const override {
    auto copy = std::make_unique<WindowCore>(*this);
    copy->reset();
    return copy;
  }
  [[nodiscard]] std::unique_ptr<StreamingTransform> clone() const override {
    return std::make_unique<WindowCore>(*this);
  }

  void reset() override {
    std::fill(ring_.begin(), ring_.end(), 0.0);
    std::fill(absent_.begin(), absent_.end(), 0);
    std::fill(missing_at_.begin(), missing_at_.end(), 0);
    head_ = filled_ = missing_ = bars_ = 0;
  }

  // Adds a bar to the window without computing (restoring a pickled state).
  template <class At>
  void push(At&& at) noexcept {
    const std::size_t slot = head_;
    bool any_missing = false;
    for (std::size_t j = 0; j < inputs_.size(); ++j) {
      const Value v = at(j);
      const double d = v ? *v : 0.0;
      double* ring = ring_.data() + j * 2 * window_;
      ring[slot] = d;
      ring[slot + window_] = d;
      absent_[j * window_ + slot] = !v;
      any_missing |= !v;
    }
    missing_ += std::size_t(any_missing) - std::size_t(missing_at_[slot]);
    missing_at_[slot] = any_missing;
    head_ = slot + 1 == window_ ? 0 : slot + 1;
    if (filled_ < window_) ++filled_;
    ++bars_;
  }

  OutputRow update(std::span<const Value> values) override {
    push([&](std::size_t j) { return j < values.size() ? values[j] : kMissing; });
    if (!ready() || (compiled_ == nullptr && user::failed())) return missing_row();
    if (compiled_ != nullptr) return OutputRow{value_from_double(call_compiled())};
    GilHeld gil;
    return call_python();
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (compiled_ != nullptr) {
      Value* const out = outputs[0];
      for (std::size_t i = 0; i < bars; ++i) {
        push([&](std::size_t j) { return inputs[j][i]; });
        out[i] = ready() ? value_from_double(call_compiled()) : kMissing;
      }
      return;
    }
    GilHeld gil;
    for (std::size_t i = 0; i < bars; ++i) {
      push([&](std::size_t j) { return inputs[j][i]; });
      const OutputRow row = ready() && !user::failed() ? call_python() : OutputRow();
      for (std::size_t k = 0; k < outputs.size(); ++k) {
        outputs[k][i] = k < row.size() ? row[k] : kMissing;
      }
    }
  }

  [[nodiscard]] std::string_view record_tag() const noexcept override { return user::kRecordTag; }
  [[nodiscard]] std::vector<std::uint8_t> payload() const override;

 private:
  [[nodiscard]] bool ready() const noexcept { return filled_ == window_ && missing_ == 0; }

  // The window, oldest first, input by input.
  [[nodiscard]] const double* window_data() noexcept {
    if (inputs_.size() == 1) return ring_.data() + head_;
    for (std::size_t j = 0; j < inputs_.size(); ++j) {
      const double* from = ring_.data() + j * 2 * window_ + head_;
      std::copy(from, from + window_, scratch_.data() + j * window_);
    }
    return scratch_.data();
  }

  double call_compiled() noexcept {
    return compiled_(window_data(), std::int64_t(inputs_.size() * window_));
  }

  OutputRow missing_row() const {
    OutputRow row;
    for (std::size_t k = 0; k < outputs_.size(); ++k) row.push_back(kMissing);
    return row;
  }

  // fn(array) with the lock held; missing values after a failure, which
  // waits as the thread's failure.
  OutputRow call_python() {
    const std::size_t n = inputs_.size() * window_;
    Ref bytes(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(window_data()),
                                        Py_ssize_t(n * sizeof(double))));
    Ref array(bytes ? PyObject_CallFunctionObjArgs(g_frombuffer, bytes.get(), g_float64, nullptr)
                    : nullptr);
    if (array && inputs_.size() > 1) {
      array = Ref(PyObject_CallMethod(array.get(), "reshape", "nn", Py_ssize_t(inputs_.size()),
                                      Py_ssize_t(window_)));
    }
    Ref result(array ? PyObject_CallOneArg(fn_.get(), array.get()) : nullptr);
    OutputRow row;
    if (!result || !read_result(result.get(), row)) {
      user::fail("in WindowApply's fn on bar " + std::to_string(bars_ - 1) +
                 " (counted from 0 since the last reset)");
      return missing_row();
    }
    return row;
  }

  bool read_result(PyObject* result, OutputRow& row) {
    if (outputs_.size() == 1 && !PySequence_Check(result)) {
      Value v;
      if (!item_to_value(result, v)) return false;
      row.push_back(v);
      return true;
    }
    Ref seq(
        PySequence_Fast(result, "WindowApply's fn must return a float or a sequence of floats"));
    if (!seq) return false;
    const Py_ssize_t got = PySequence_Fast_GET_SIZE(seq.get());
    if (std::size_t(got) != outputs_.size()) {
      PyErr_Format(PyExc_ValueError,
                   "WindowApply's fn returned %zd value(s) for %zu output name(s)", got,
                   outputs_.size());
      return false;
    }
    for (Py_ssize_t k = 0; k < got; ++k) {
      Value v;
      if (!item_to_value(PySequence_Fast_GET_ITEM(seq.get(), k), v)) return false;
      row.push_back(v);
    }
    return true;
  }

  Ref fn_;
  Compiled compiled_ = nullptr;
  Names inputs_;
  Names outputs_;
  std::size_t window_ = 1;
  std::vector<double> ring_;
  std::vector<std::uint8_t> absent_;      // per input and slot: missing
  std::vector<std::uint8_t> missing_at_;  // per slot: some input missing
  std::vector<double> scratch_;           // the window of several inputs, gathered
  std::size_t head_ = 0;                  // the slot the next bar goes to
  std::size_t filled_ = 0;
  std::size_t missing_ = 0;  // slots of the window with a missing input
  std::size_t bars_ = 0;
};

struct WindowObject {
  PyObject_HEAD WindowCore* core;
  bool busy;  // a Python fn may let another thread in mid-update
};

WindowObject* as_window(PyObject* self) { return reinterpret_cast<WindowObject*>(self); }

PyObject* wrap(std::unique_ptr<WindowCore> core) {
  PyObject* obj = PyType_GenericAlloc(reinterpret_cast<PyTypeObject*>(g_type), 0);
  if (obj == nullptr) return nullptr;
  as_window(obj)->core = core.release();
  as_window(obj)->busy = false;
  return obj;
}

std::vector<std::uint8_t> WindowCore::payload() const {
  GilHeld gil;
  Ref obj(wrap(std::make_unique<WindowCore>(*this)));
  if (!obj) throw PythonRaised{};
  return user::record_payload(obj.get(), bars_, "WindowApply");
}

// Names from a str or a list of str; false with a TypeError naming `what`.
bool names_argument(PyObject* obj, const char* what, Names& out) {
  if (PyUnicode_Check(obj)) {
    std::string name;
    if (!to_string(obj, name)) return false;
    out.push_back(std::move(name));
    return true;
  }
  if (!to_names(obj, out) || out.empty()) {
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError, "WindowApply: %s must be a str or a non-empty list of str", what);
    return false;
  }
  return true;
}

const CallSignature kNewSignature{
    "WindowApply.__new__()", {"fn", "inputs", "window", "outputs"}, 4};

PyObject* tp_new(PyTypeObject*, PyObject* args, PyObject* kwargs) {
  ZERAK_PY_TRY
  PyObject* bound[4];
  if (!bind_tuple(kNewSignature, args, kwargs, bound)) return nullptr;
  Names inputs;
  Names outputs;
  std::uint64_t window = 0;
  if (!names_argument(bound[1], "inputs", inputs) ||
      !names_argument(bound[3], "outputs", outputs)) {
    return nullptr;
  }
  // Any integer with __index__, as every class takes a window.
  if (!to_u64(bound[2], window)) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) return name_argument_error("window"), nullptr;
    PyErr_Clear();  // negative, or beyond 64 bits
    window = 0;
  }
  if (window == 0 || window > (1u << 24)) {
    return PyErr_Format(PyExc_ValueError, "WindowApply: window must be an int from 1 to %u",
                        1u << 24);
  }
  // The function's kind, told apart (and its signature checked) in Python.
  Ref custom(PyImport_ImportModule("zerak.custom"));
  Ref address(custom ? PyObject_CallMethod(custom.get(), "_window_function_address", "O", bound[0])
                     : nullptr);
  if (!address) return nullptr;
  Compiled compiled = nullptr;
  if (address.get() != Py_None) {
    void* p = PyLong_AsVoidPtr(address.get());
    if (p == nullptr) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_ValueError, "WindowApply: fn is a null pointer");
      return nullptr;
    }
    if (outputs.size() != 1) {
      return PyErr_Format(PyExc_ValueError,
                          "WindowApply: a compiled fn returns one value, not %zu outputs",
                          outputs.size());
    }
    compiled = reinterpret_cast<Compiled>(p);
  } else {
    PyObject* numpy = user::numpy_module();
    if (numpy == nullptr) {
      return PyErr_Format(PyExc_ImportError, "WindowApply with a Python fn needs numpy");
    }
    if (g_frombuffer == nullptr) {
      g_frombuffer = PyObject_GetAttrString(numpy, "frombuffer");
      if (g_frombuffer == nullptr) return nullptr;
      g_float64 = PyObject_GetAttrString(numpy, "float64");
      if (g_float64 == nullptr) {
        Py_CLEAR(g_frombuffer);
        return nullptr;
      }
    }
  }
  return wrap(std::make_unique<WindowCore>(Ref::borrowed(bound[0]), compiled, std::move(inputs),
                                           std::move(outputs), std::size_t(window)));
  ZERAK_PY_CATCH
}

void tp_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  delete as_window(self)->core;
  type->tp_free(self);
  Py_DECREF(type);
}

// Runs `work` on the core unless another call holds it.
template <class Work>
PyObject* with_core(PyObject* self, Work&& work) {
  WindowObject* obj = as_window(self);
  if (obj->busy) {
    return PyErr_Format(PyExc_RuntimeError, "WindowApply is in use by another call");
  }
  obj->busy = true;
  PyObject* result = nullptr;
  try {
    result = work(*obj->core);
  } catch (...) {
    result = raise_from_current_exception();
  }
  obj->busy = false;
  return result;
}

PyObject* update(PyObject* self, PyObject* values) {
  return with_core(self, [values](WindowCore& core) -> PyObject* {
    std::vector<Value> row;
    if (!read_row(values, row)) return name_argument_error("values"), nullptr;
    if (row.size() != core.inputs().size()) {
      return PyErr_Format(PyExc_ValueError, "WindowApply.update(): expected %zu value(s), got %zu",
                          core.inputs().size(), row.size());
    }
    const OutputRow out = core.update(row);
    if (user_transform_failed()) return raise_user_transform_failure();
    return row_to_list(out);
  });
}

PyObject* reset(PyObject* self, PyObject*) {
  return with_core(self, [](WindowCore& core) -> PyObject* {
    core.reset();
    Py_RETURN_NONE;
  });
}

PyObject* input_names(PyObject* self, PyObject*) {
  return names_to_list(as_window(self)->core->inputs());
}
PyObject* output_names(PyObject* self, PyObject*) {
  return names_to_list(as_window(self)->core->outputs());
}
PyObject* warm_up_period(PyObject* self, PyObject*) {
  return PyLong_FromSize_t(as_window(self)->core->warm_up_period());
}

PyObject* copy(PyObject* self, PyObject*) {
  return with_core(self, [](WindowCore& core) { return wrap(std::make_unique<WindowCore>(core)); });
}

// What pickles in place of a compiled fn (zerak.custom decides).
Ref portable_compiled_fn(PyObject* fn) {
  Ref custom(PyImport_ImportModule("zerak.custom"));
  return Ref(custom ? PyObject_CallMethod(custom.get(), "_portable_compiled_fn", "O", fn)
                    : nullptr);
}

// (WindowApply, (fn, inputs, window, outputs), (bars of the window, oldest
// first, each a tuple with None for missing)).
PyObject* reduce(PyObject* self, PyObject*) {
  return with_core(self, [self](WindowCore& core) -> PyObject* {
    // A numba cfunc pickles as its Python function, compiled again on load;
    // zerak.custom raises TypeError for any other compiled fn.
    Ref fn(core.compiled() ? portable_compiled_fn(core.fn()) : Ref::borrowed(core.fn()));
    if (!fn) return nullptr;
    Ref inputs(names_to_list(core.inputs()));
    Ref outputs(names_to_list(core.outputs()));
    Ref bars(PyList_New(Py_ssize_t(core.filled())));
    if (!inputs || !outputs || !bars) return nullptr;
    for (std::size_t k = 0; k < core.filled(); ++k) {
      Ref bar(PyTuple_New(Py_ssize_t(core.inputs().size())));
      if (!bar) return nullptr;
      for (std::size_t j = 0; j < core.inputs().size(); ++j) {
        const Value v = core.held(j, k);
        PyObject* item = v ? PyFloat_FromDouble(*v) : Py_NewRef(Py_None);
        if (item == nullptr) return nullptr;
        PyTuple_SET_ITEM(bar.get(), Py_ssize_t(j), item);
      }
      PyList_SET_ITEM(bars.get(), Py_ssize_t(k), bar.release());
    }
    return Py_BuildValue("O(OOnO)(N)", Py_TYPE(self), fn.get(), inputs.get(),
                         Py_ssize_t(core.window()), outputs.get(), bars.release());
  });
}

PyObject* setstate(PyObject* self, PyObject* state) {
  return with_core(self, [state](WindowCore& core) -> PyObject* {
    PyObject* bars = nullptr;
    if (!PyTuple_Check(state) || !PyArg_ParseTuple(state, "O!", &PyList_Type, &bars)) {
      PyErr_Clear();
      return PyErr_Format(PyExc_TypeError, "WindowApply: a state of the wrong form");
    }
    const std::size_t n_in = core.inputs().size();
    std::vector<Value> row(n_in);
    core.reset();
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(bars); ++k) {
      PyObject* bar = PyList_GET_ITEM(bars, k);
      if (!PyTuple_Check(bar) || std::size_t(PyTuple_GET_SIZE(bar)) != n_in) {
        core.reset();
        return PyErr_Format(PyExc_TypeError, "WindowApply: a state of the wrong form");
      }
      for (std::size_t j = 0; j < n_in; ++j) {
        PyObject* item = PyTuple_GET_ITEM(bar, Py_ssize_t(j));
        if (item == Py_None) {
          row[j] = kMissing;
        } else if (double d = PyFloat_AsDouble(item); d == -1.0 && PyErr_Occurred()) {
          core.reset();
          return nullptr;
        } else {
          row[j] = Value(d);
        }
      }
      core.push([&](std::size_t j) { return row[j]; });
    }
    Py_RETURN_NONE;
  });
}

PyObject* repr(PyObject* self) {
  const WindowCore& core = *as_window(self)->core;
  Ref inputs(names_to_list(core.inputs()));
  Ref outputs(names_to_list(core.outputs()));
  if (!inputs || !outputs) return nullptr;
  return PyUnicode_FromFormat("WindowApply(%R, %R, %zu, %R)", core.fn(), inputs.get(),
                              core.window(), outputs.get());
}

PyObject* get_fn(PyObject* self, void*) { return Py_NewRef(as_window(self)->core->fn()); }
PyObject* get_inputs(PyObject* self, void*) { return input_names(self, nullptr); }
PyObject* get_outputs(PyObject* self, void*) { return output_names(self, nullptr); }
PyObject* get_window(PyObject* self, void*) {
  return PyLong_FromSize_t(as_window(self)->core->window());
}

constexpr const char* kAttributeDoc = "The constructor's argument of this name (read-only).";
PyGetSetDef attributes[] = {
    {"fn", &get_fn, nullptr, kAttributeDoc, nullptr},
    {"inputs", &get_inputs, nullptr, kAttributeDoc, nullptr},
    {"window", &get_window, nullptr, kAttributeDoc, nullptr},
    {"outputs", &get_outputs, nullptr, kAttributeDoc, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef methods[] = {
    {"update", &update, METH_O,
     "update($self, values, /)\n--\n\nOne bar: one float per input; the outputs as a list."},
    {"reset", &reset, METH_NOARGS, "reset($self)\n--\n\nForget every bar seen."},
    {"input_names", &input_names, METH_NOARGS, "input_names($self)\n--\n\nThe input columns."},
    {"output_names", &output_names, METH_NOARGS, "output_names($self)\n--\n\nThe output names."},
    {"warm_up_period", &warm_up_period, METH_NOARGS,
     "warm_up_period($self)\n--\n\nBars before the first output: window - 1."},
    {"__reduce__", &reduce, METH_NOARGS, "__reduce__($self)\n--\n\nSupport for pickle."},
    {"__setstate__", &setstate, METH_O, "__setstate__($self, state, /)\n--\n\nSupport for pickle."},
    {"__copy__", &copy, METH_NOARGS,
     "__copy__($self)\n--\n\nA copy with the same configuration and state."},
    {"__deepcopy__", &copy, METH_O,
     "__deepcopy__($self, memo, /)\n--\n\nA copy with the same configuration and state."},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&tp_dealloc)},
    {Py_tp_repr, reinterpret_cast<void*>(&repr)},
    {Py_tp_doc, const_cast<char*>(kClassDoc)},
    {Py_tp_methods, methods},
    {0, nullptr},
};

PyType_Spec spec = {"zerak.WindowApply", sizeof(WindowObject), 0, Py_TPFLAGS_DEFAULT, slots};

}  // namespace

bool is_window_apply(PyObject* obj) noexcept {
  return g_type != nullptr && Py_IS_TYPE(obj, reinterpret_cast<PyTypeObject*>(g_type));
}

std::unique_ptr<StreamingTransform> window_apply_core(PyObject* obj, bool keep_state) {
  WindowObject* w = as_window(obj);
  if (w->busy) {
    PyErr_SetString(PyExc_RuntimeError, "WindowApply is in use by another call");
    return nullptr;
  }
  return keep_state ? w->core->clone() : w->core->fresh();
}

bool wrap_window_apply(const StreamingTransform& core, PyObject** out) {
  const auto* w = dynamic_cast<const WindowCore*>(&core);
  if (w == nullptr) return false;
  *out = wrap(std::make_unique<WindowCore>(*w));
  return true;
}

PyObject* window_apply_type() {
  if (g_type == nullptr) {
    g_type = create_type(spec, attributes);  // through the sound path for failed allocations
  }
  return g_type;
}

}  // namespace zerak::py
