// A Python object with the transform protocol, run by the core as one of its
// own transforms.
#include "object_transform.hpp"

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "io/convert.hpp"
#include "opaque.hpp"
#include "runtime/exceptions.hpp"
#include "runtime/py_ref.hpp"
#include "user_support.hpp"
#include "window_apply.hpp"

namespace zerak::py {
namespace {

using user::GilHeld;

// A method's result as names; false with a TypeError naming the method.
bool call_for_names(PyObject* obj, const char* method, const std::string& label, Names& out) {
  Ref got(PyObject_CallMethod(obj, method, nullptr));
  if (!got) return false;
  if (PyUnicode_Check(got.get()) || !to_names(got.get(), out)) {
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError, "%s.%s() must return a list of str", label.c_str(), method);
    return false;
  }
  return true;
}

class ObjectTransform final : public OpaqueTransform {
 public:
  // Reads the protocol of `obj`, which the transform keeps; null with the
  // error set.
  static std::unique_ptr<ObjectTransform> adopt(Ref obj, std::size_t bars) {
    auto t = std::unique_ptr<ObjectTransform>(new ObjectTransform());
    t->label_ = user::label_of(obj.get());
    if (!call_for_names(obj.get(), "input_names", t->label_, t->inputs_) ||
        !call_for_names(obj.get(), "output_names", t->label_, t->outputs_)) {
      return nullptr;
    }
    Ref warm_up(PyObject_CallMethod(obj.get(), "warm_up_period", nullptr));
    if (!warm_up) return nullptr;
    std::uint64_t w = 0;
    if (!PyLong_Check(warm_up.get()) || !to_u64(warm_up.get(), w)) {
      PyErr_Clear();
      PyErr_Format(PyExc_TypeError, "%s.warm_up_period() must return an int >= 0",
                   t->label_.c_str());
      return nullptr;
    }
    t->warm_up_ = std::size_t(w);
    if (!(t->update_ = Ref(PyObject_GetAttrString(obj.get(), "update")))) return nullptr;
    PyObject* block = nullptr;
    if (PyObject_GetOptionalAttrString(obj.get(), "update_many", &block) < 0) return nullptr;
    // Blocks go to numpy arrays: without numpy, research steps bar by bar.
    t->block_ = Ref(block != nullptr && PyCallable_Check(block) && user::numpy_module() != nullptr
                        ? block
                        : (Py_XDECREF(block), nullptr));
    // peek's helpers, when the object offers them: its own peek, or a copy
    // cheaper than a deep one.
    if (!optional_method(obj.get(), "peek", t->peek_) ||
        !optional_method(obj.get(), "__copy__", t->copy_)) {
      return nullptr;
    }
    t->obj_ = std::move(obj);
    t->bars_ = bars;
    return t;
  }

  ~ObjectTransform() override {
    if (!Py_IsInitialized()) {  // at exit: the references go with the interpreter
      (void)obj_.release();
      (void)update_.release();
      (void)block_.release();
      (void)peek_.release();
      (void)copy_.release();
      return;
    }
    GilHeld gil;
    PyObject* raised = PyErr_GetRaisedException();  // a pipeline may go while an error is set
    obj_ = Ref();
    update_ = Ref();
    block_ = Ref();
    peek_ = Ref();
    copy_ = Ref();
    PyErr_SetRaisedException(raised);
  }

  [[nodiscard]] PyObject* object() const noexcept { return obj_.get(); }

  [[nodiscard]] Names input_names() const override { return inputs_; }
  [[nodiscard]] Names output_names() const override { return outputs_; }
  [[nodiscard]] const Names& inputs() const noexcept override { return inputs_; }
  [[nodiscard]] const Names& outputs() const noexcept override { return outputs_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return warm_up_; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return outputs_.size(); }

  [[nodiscard]] std::unique_ptr<StreamingTransform> fresh() const override {
    std::unique_ptr<StreamingTransform> copy = clone();
    copy->reset();
    if (user_transform_failed()) {
      raise_user_transform_failure();
      throw PythonRaised{};
    }
    return copy;
  }

  [[nodiscard]] std::unique_ptr<StreamingTransform> clone() const override {
    GilHeld gil;
    Ref copy(user::deep_copy(obj_.get()));
    std::unique_ptr<ObjectTransform> t = copy ? adopt(std::move(copy), bars_) : nullptr;
    if (!t) throw PythonRaised{};
    return t;
  }

  void reset() override {
    bars_ = 0;
    GilHeld gil;
    PyObject* raised = PyErr_GetRaisedException();  // putting a pipeline back after an error
    if (Ref done{PyObject_CallMethod(obj_.get(), "reset", nullptr)}; !done) {
      if (raised != nullptr) {
        PyErr_WriteUnraisable(obj_.get());
      } else {
        user::fail("in " + label_ + ".reset()");
      }
    }
    PyErr_SetRaisedException(raised);
  }

  OutputRow update(std::span<const Value> values) override {
    const std::size_t bar = bars_++;
    if (user::failed()) return OutputRow();
    const auto at = [&](std::size_t j) { return double_from_value(values[j]); };
    // Live updates come with the lock held: no need to take it again.
    if (PyThreadState_GetUnchecked() != nullptr) return call_update(update_.get(), at, bar);
    GilHeld gil;
    return call_update(update_.get(), at, bar);
  }

  // The object's own peek, else update on a copy of it: by its __copy__ if
  // it has one, else deep.
  OutputRow peek(std::span<const Value> values) override {
    if (user::failed()) return OutputRow();
    const auto at = [&](std::size_t j) { return double_from_value(values[j]); };
    if (PyThreadState_GetUnchecked() != nullptr) return call_peek(at);
    GilHeld gil;
    return call_peek(at);
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const std::size_t first = bars_;
    bars_ += bars;
    std::size_t done = 0;
    if (!user::failed()) {
      GilHeld gil;
      if (block_) {
        if (call_block(inputs, outputs, bars, first)) return;
      } else {
        for (; done < bars && !user::failed(); ++done) {
          const OutputRow row = call_update(
              update_.get(), [&](std::size_t j) { return double_from_value(inputs[j][done]); },
              first + done);
          for (std::size_t k = 0; k < outputs.size(); ++k) {
            outputs[k][done] = k < row.size() ? row[k] : kMissing;
          }
        }
      }
    }
    // After a failure: the run stops at the end of this block, its rows unread.
    for (std::size_t k = 0; k < outputs.size(); ++k) {
      for (std::size_t i = done; i < bars; ++i) outputs[k][i] = kMissing;
    }
  }

  [[nodiscard]] std::string_view record_tag() const noexcept override { return user::kRecordTag; }

  [[nodiscard]] std::vector<std::uint8_t> payload() const override {
    GilHeld gil;
    return user::record_payload(obj_.get(), bars_, label_);
  }

 private:
  ObjectTransform() = default;

  // `method` (update or peek) on one bar; the lock is held. Missing on
  // failure (kept as the thread's failure).
  template <class At>
  OutputRow call_update(PyObject* method, At&& at, std::size_t bar) {
    const std::size_t n = inputs_.size();
    Ref args(PyTuple_New(Py_ssize_t(n)));
    if (!args) return failed_on(bar), OutputRow();
    for (std::size_t j = 0; j < n; ++j) {
      PyObject* f = PyFloat_FromDouble(at(j));
      if (f == nullptr) return failed_on(bar), OutputRow();
      PyTuple_SET_ITEM(args.get(), Py_ssize_t(j), f);
    }
    Ref result(PyObject_CallOneArg(method, args.get()));
    OutputRow row;
    if (!result || !read_row_result(result.get(), method == peek_.get() ? "peek" : "update", row)) {
      return failed_on(bar), OutputRow();
    }
    return row;
  }

  template <class At>
  OutputRow call_peek(At&& at) {
    if (peek_) return call_update(peek_.get(), at, bars_);
    Ref copy(copy_ ? PyObject_CallNoArgs(copy_.get()) : user::deep_copy(obj_.get()));
    Ref update(copy ? PyObject_GetAttrString(copy.get(), "update") : nullptr);
    if (!update) return failed_on(bars_), OutputRow();
    return call_update(update.get(), at, bars_);
  }

  // *out the object's attribute `name`, or empty when it has none; false
  // with the error set.
  static bool optional_method(PyObject* obj, const char* name, Ref& out) {
    PyObject* found = nullptr;
    if (PyObject_GetOptionalAttrString(obj, name, &found) < 0) return false;
    out = Ref(found != nullptr && PyCallable_Check(found) ? found : (Py_XDECREF(found), nullptr));
    return true;
  }

  bool read_row_result(PyObject* result, const char* method, OutputRow& row) {
    const bool plain = PyList_CheckExact(result) || PyTuple_CheckExact(result);
    Ref seq(plain ? Py_NewRef(result) : PySequence_Fast(result, ""));
    if (!seq) {
      PyErr_Format(PyExc_TypeError, "%s.%s() must return a sequence of floats, not '%s'",
                   label_.c_str(), method, Py_TYPE(result)->tp_name);
      return false;
    }
    const Py_ssize_t n = PySequence_Fast_GET_SIZE(seq.get());
    if (std::size_t(n) != outputs_.size()) {
      PyErr_Format(PyExc_ValueError, "%s.%s() returned %zd value(s) for %zu output name(s)",
                   label_.c_str(), method, n, outputs_.size());
      return false;
    }
    PyObject** items = PySequence_Fast_ITEMS(seq.get());
    for (Py_ssize_t k = 0; k < n; ++k) {
      Value v;
      if (items[k] == Py_None) {
        v = kMissing;
      } else if (!item_to_value(items[k], v)) {
        return false;
      }
      row.push_back(v);
    }
    return true;
  }

  // The block method over a block, as numpy arrays; the lock is held. False
  // after a failure.
  bool call_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                  std::size_t bars, std::size_t first) {
    const std::size_t n_in = inputs.size();
    const std::size_t n_out = outputs.size();
    Ref array(PyObject_CallMethod(user::numpy_module(), "empty", "((nn))", Py_ssize_t(bars),
                                  Py_ssize_t(n_in)));
    if (!array) return failed_on_block(first, bars), false;
    Py_buffer view;
    if (PyObject_GetBuffer(array.get(), &view, PyBUF_C_CONTIGUOUS | PyBUF_WRITABLE) < 0) {
      return failed_on_block(first, bars), false;
    }
    auto* cells = static_cast<double*>(view.buf);
    for (std::size_t j = 0; j < n_in; ++j) {
      for (std::size_t i = 0; i < bars; ++i) cells[i * n_in + j] = double_from_value(inputs[j][i]);
    }
    PyBuffer_Release(&view);
    Ref result(PyObject_CallOneArg(block_.get(), array.get()));
    Ref as_array(result ? PyObject_CallMethod(user::numpy_module(), "ascontiguousarray", "Os",
                                              result.get(), "float64")
                        : nullptr);
    if (!as_array ||
        PyObject_GetBuffer(as_array.get(), &view, PyBUF_C_CONTIGUOUS | PyBUF_FORMAT) < 0) {
      return failed_on_block(first, bars), false;
    }
    const bool fits = view.itemsize == 8 && view.format != nullptr &&
                      std::strcmp(view.format, "d") == 0 &&
                      ((view.ndim == 2 && view.shape[0] == Py_ssize_t(bars) &&
                        view.shape[1] == Py_ssize_t(n_out)) ||
                       (view.ndim == 1 && n_out == 1 && view.shape[0] == Py_ssize_t(bars)));
    if (!fits) {
      PyBuffer_Release(&view);
      PyErr_Format(PyExc_ValueError,
                   "%s.update_many() must return an array of shape (%zu, %zu) for a block of "
                   "%zu bar(s)",
                   label_.c_str(), bars, n_out, bars);
      return failed_on_block(first, bars), false;
    }
    const auto* got = static_cast<const double*>(view.buf);
    for (std::size_t k = 0; k < n_out; ++k) {
      for (std::size_t i = 0; i < bars; ++i) outputs[k][i] = value_from_double(got[i * n_out + k]);
    }
    PyBuffer_Release(&view);
    return true;
  }

  void failed_on(std::size_t bar) {
    user::fail("in transform " + label_ + " on bar " + std::to_string(bar) +
               " (counted from 0 since the pipeline's last reset)");
  }
  void failed_on_block(std::size_t first, std::size_t bars) {
    user::fail("in transform " + label_ + ".update_many() on bars " + std::to_string(first) +
               " to " + std::to_string(first + bars - 1) +
               " (counted from 0 since the pipeline's last reset)");
  }

  Ref obj_;
  Ref update_;
  Ref block_;
  Ref peek_;  // the object's own peek, if any
  Ref copy_;  // its __copy__, if any
  std::string label_;
  Names inputs_;
  Names outputs_;
  std::size_t warm_up_ = 0;
  std::size_t bars_ = 0;  // since the last reset, for the notes
};

// Protocol objects are recognised by their methods; zerak's own classes
// keep their own rules, and a class is no instance of itself.
bool has_protocol(PyObject* obj) {
  if (PyType_Check(obj)) return false;
  if (std::strncmp(Py_TYPE(obj)->tp_name, "zerak.", 6) == 0) return false;
  for (const char* name : {"input_names", "output_names", "update", "reset", "warm_up_period"}) {
    const int has = PyObject_HasAttrStringWithError(obj, name);
    if (has <= 0) return PyErr_Clear(), false;
  }
  return true;
}

// A pipeline's user transform from its snapshot record: (object, bars) pickled.
Result<std::unique_ptr<StreamingTransform>> load_record(std::span<const std::uint8_t> payload) {
  Ref bytes(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(payload.data()),
                                      Py_ssize_t(payload.size())));
  Ref pair(bytes ? user::pickle_loads(bytes.get()) : nullptr);
  if (!pair) throw PythonRaised{};
  PyObject* obj = nullptr;
  Py_ssize_t bars = 0;
  if (!PyTuple_Check(pair.get()) || !PyArg_ParseTuple(pair.get(), "On", &obj, &bars) || bars < 0) {
    return ZerakError::invalid_config("a user transform's record holds no (object, bars) pair");
  }
  if (is_window_apply(obj)) return window_apply_core(obj, true);
  if (!has_protocol(obj)) {
    return ZerakError::invalid_config("a user transform's record holds no transform");
  }
  std::unique_ptr<ObjectTransform> t =
      ObjectTransform::adopt(Ref::borrowed(obj), std::size_t(bars));
  if (!t) throw PythonRaised{};
  return std::unique_ptr<StreamingTransform>(std::move(t));
}

}  // namespace

std::unique_ptr<StreamingTransform> copy_user_transform(PyObject* obj) {
  if (is_window_apply(obj)) return window_apply_core(obj, false);
  if (!has_protocol(obj)) return nullptr;
  Ref copy(user::deep_copy(obj));
  if (!copy) return nullptr;
  if (Ref done{PyObject_CallMethod(copy.get(), "reset", nullptr)}; !done) return nullptr;
  return ObjectTransform::adopt(std::move(copy), 0);
}

bool wrap_user_transform(const StreamingTransform& core, PyObject** out) {
  if (wrap_window_apply(core, out)) return true;
  const auto* t = dynamic_cast<const ObjectTransform*>(&core);
  if (t == nullptr) return false;
  *out = user::deep_copy(t->object());
  return true;
}

void register_user_transform_loader() noexcept {
  register_opaque_loader(user::kRecordTag, &load_record);
}

}  // namespace zerak::py

namespace zerak::py {

bool holds_user_transform(const FeaturePipeline& pipeline) noexcept {
  for (const FeatureDag::Level& level : pipeline.dag().levels()) {
    for (const FeatureDag::Handle& transform : level) {
      if (dynamic_cast<const OpaqueTransform*>(transform.get()) != nullptr) return true;
    }
  }
  return false;
}

}  // namespace zerak::py
