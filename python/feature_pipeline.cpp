// FeaturePipeline: a core pipeline built from private copies of transform
// objects, with the conversions of bars and datasets at the edge.
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "float64_view.hpp"
#include "pipeline/feature_pipeline.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

constexpr const char* kName = "FeaturePipeline";
constexpr const char* kClassDoc =
    "FeaturePipeline(features, input_columns)\n--\n\n"
    "Orchestrates features in DAG-resolved order.\n\n"
    "Features are resolved automatically \xe2\x80\x94 pass them in any order.\n"
    "Use ``run_research()`` for batch mode or ``update()`` for live mode.";
constexpr const char* kUpdateDoc =
    "update($self, values)\n--\n\n"
    "Process one bar (live mode).\n\n"
    "Args:\n"
    "    values: One float per input column. Use ``float('nan')`` for missing.\n\n"
    "Returns:\n"
    "    Flat list of output values matching ``output_names()``.";
constexpr const char* kRunResearchDoc =
    "run_research($self, data)\n--\n\n"
    "Process a full dataset bar by bar (research mode).\n\n"
    "Args:\n"
    "    data: List of bars, each bar is a list of input values.\n\n"
    "Returns:\n"
    "    List of bars, each bar is a list of output values.";
constexpr const char* kResetDoc = "reset($self)\n--\n\nReset all features (e.g. between CPCV splits).";
constexpr const char* kOutputNamesDoc =
    "output_names($self)\n--\n\nOutput column names in execution order.";
constexpr const char* kInputNamesDoc =
    "input_names($self)\n--\n\nInput columns in the order expected by ``update()``.";
constexpr const char* kWarmUpDoc =
    "warm_up_period($self)\n--\n\nMaximum warm-up period across all features.";

struct Object {
  PyObject_HEAD
  FeaturePipeline core;
  BorrowFlag borrow;
  std::vector<Value> row;  // the bar being converted by update, one slot per input column
};

PyTypeObject* g_type = nullptr;  // kept alive by the module

const CallSignature kNewSignature{"FeaturePipeline.__new__()", {"features", "input_columns"}, 2};
const CallSignature kUpdateSignature{"FeaturePipeline.update()", {"values"}, 1};
const CallSignature kRunResearchSignature{"FeaturePipeline.run_research()", {"data"}, 1};

Object* as_object(PyObject* self) noexcept { return reinterpret_cast<Object*>(self); }
bool is_instance(PyObject* self) noexcept { return Py_IS_TYPE(self, g_type); }

// A private copy of a transform object, in its reset state; nullptr with
// InvalidConfigError for anything else. An object busy in a call of its own
// cannot be read, and counts as unsupported too.
std::unique_ptr<StreamingTransform> extract_feature(PyObject* obj) {
  if (const TransformHooks* hooks = find_transform_hooks(obj)) {
    if (std::unique_ptr<StreamingTransform> copy = hooks->fresh(obj)) return copy;
    PyErr_Clear();
  }
  Ref name(PyType_GetName(Py_TYPE(obj)));
  if (!name) return nullptr;
  const char* utf8 = PyUnicode_AsUTF8(name.get());
  if (utf8 == nullptr) return nullptr;
  raise(ZerakError::invalid_config(std::string("unsupported feature type: ") + utf8));
  return nullptr;
}

PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  ZERAK_PY_TRY
  PyObject* bound[2];
  if (!bind_tuple(kNewSignature, args, kwargs, bound)) return nullptr;

  std::vector<Ref> objects;
  const Py_ssize_t n = for_each_item(bound[0], [&](Py_ssize_t, PyObject* item) {
    objects.push_back(Ref::borrowed(item));
    return true;
  });
  if (n < 0) return name_argument_error("features"), nullptr;
  Names columns;
  if (!to_names(bound[1], columns)) return name_argument_error("input_columns"), nullptr;

  std::vector<FeatureDag::Handle> copies;
  copies.reserve(objects.size());
  for (const Ref& obj : objects) {
    FeatureDag::Handle copy = extract_feature(obj.get());
    if (!copy) return nullptr;
    copies.push_back(std::move(copy));
  }
  Result<FeaturePipeline> created = FeaturePipeline::create(std::move(copies), std::move(columns));
  if (!created) return raise(created.error());
  objects.clear();

  std::vector<Value> row(created.value().inputs().size());
  PyObject* self = type->tp_alloc(type, 0);
  if (self == nullptr) return nullptr;
  Object* obj = as_object(self);
  new (&obj->core) FeaturePipeline(std::move(created).value());
  new (&obj->borrow) BorrowFlag();
  new (&obj->row) std::vector<Value>(std::move(row));
  return self;
  ZERAK_PY_CATCH
}

// A new FeaturePipeline object around `core` (copies and restored snapshots).
PyObject* wrap(FeaturePipeline&& core) {
  std::vector<Value> row(core.inputs().size());
  PyObject* self = g_type->tp_alloc(g_type, 0);
  if (self == nullptr) return nullptr;
  Object* obj = as_object(self);
  new (&obj->core) FeaturePipeline(std::move(core));
  new (&obj->borrow) BorrowFlag();
  new (&obj->row) std::vector<Value>(std::move(row));
  return self;
}
using Snapshots = SnapshotMethods<Object, FeaturePipeline, &g_type, &wrap>;

void tp_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  Object* obj = as_object(self);
  obj->row.~vector();
  obj->borrow.~BorrowFlag();
  obj->core.~FeaturePipeline();
  type->tp_free(self);
  Py_DECREF(type);
}

PyObject* update(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  ZERAK_PY_TRY
  PyObject* values = nullptr;
  if (nargs == 1 && kwnames == nullptr) {
    values = args[0];
  } else if (!bind_fastcall(kUpdateSignature, args, nargs, kwnames, &values)) {
    return nullptr;
  }
  if (!is_instance(self)) return wrong_self(self, kName);
  Object* obj = as_object(self);
  ExclusiveBorrow borrow(obj->borrow);  // before conversion, which may re-enter
  if (!borrow) return nullptr;
  const Py_ssize_t given = read_row(values, std::span<Value>(obj->row));
  if (given < 0) return name_argument_error("values"), nullptr;
  if (std::size_t(given) != obj->row.size()) return raise(obj->core.count_error(std::size_t(given)));
  Result<std::span<const Value>> out = obj->core.update(obj->row);
  if (!out) return raise(out.error());
  return values_to_list(out.value());
  ZERAK_PY_CATCH
}

// Builds each output bar's list as soon as the core has computed it. The
// outer list is allocated with the first bar, so that a dataset rejected at
// its first bar fails with its own error whatever its size.
class ResearchSink {
 public:
  explicit ResearchSink(std::size_t bars) noexcept : bars_(Py_ssize_t(bars)) {}
  bool operator()(std::span<const Value> out) {
    if (!result_ && !(result_ = Ref(PyList_New(bars_)))) return fail();
    PyObject* list = values_to_list(out);
    if (list == nullptr) return fail();
    PyList_SET_ITEM(result_.get(), done_++, list);
    return true;
  }
  // The list of output bars, or nullptr with the error set.
  PyObject* finish(const Status& status) {
    if (!status) return raise(status.error());
    if (failed_) return nullptr;
    return result_ ? result_.release() : PyList_New(0);
  }

 private:
  bool fail() noexcept {
    failed_ = true;
    return false;
  }

  GcPause gc_pause_;  // no Python code runs while the core feeds the sink
  Py_ssize_t bars_;
  Ref result_;
  Py_ssize_t done_ = 0;
  bool failed_ = false;
};

PyObject* run_research(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                       PyObject* kwnames) {
  ZERAK_PY_TRY
  PyObject* data = nullptr;
  if (nargs == 1 && kwnames == nullptr) {
    data = args[0];
  } else if (!bind_fastcall(kRunResearchSignature, args, nargs, kwnames, &data)) {
    return nullptr;
  }
  if (!is_instance(self)) return wrong_self(self, kName);
  Object* obj = as_object(self);
  ExclusiveBorrow borrow(obj->borrow);
  if (!borrow) return nullptr;

  // A 2-D float64 matrix (numpy, any strides) is read in place, bar by bar.
  if (Float64View matrix(data, 2); matrix) {
    ResearchSink sink(std::size_t(matrix.extent(0)));
    const Status status = obj->core.run_research_in_place(
        std::size_t(matrix.extent(0)), std::size_t(matrix.extent(1)),
        [&](std::size_t i, std::span<Value> inputs) {
          Value* out = inputs.data();
          matrix.read_row(Py_ssize_t(i), [&](Value v) { *out++ = v; });
        },
        sink);
    return sink.finish(status);
  } else if (matrix.failed()) {
    return nullptr;
  }

  // Anything else: convert the whole dataset first, so that a conversion
  // error leaves the pipeline untouched.
  std::vector<Value> flat;
  std::vector<std::size_t> ends;
  const Py_ssize_t n = for_each_item(data, [&](Py_ssize_t, PyObject* bar) {
    if (!append_row(bar, flat)) return false;
    ends.push_back(flat.size());
    return true;
  });
  if (n < 0) return name_argument_error("data"), nullptr;
  ResearchSink sink(ends.size());
  const Status status = obj->core.run_research_with(
      ends.size(),
      [&](std::size_t i) {
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::span<const Value>(flat.data() + begin, ends[i] - begin);
      },
      sink);
  return sink.finish(status);
  ZERAK_PY_CATCH
}

PyObject* reset(PyObject* self, PyObject*) {
  if (!is_instance(self)) return wrong_self(self, kName);
  Object* obj = as_object(self);
  ExclusiveBorrow borrow(obj->borrow);
  if (!borrow) return nullptr;
  obj->core.reset();
  Py_RETURN_NONE;
}

template <class Read>
PyObject* read(PyObject* self, Read&& read_core) {
  ZERAK_PY_TRY
  if (!is_instance(self)) return wrong_self(self, kName);
  Object* obj = as_object(self);
  SharedBorrow borrow(obj->borrow);
  if (!borrow) return nullptr;
  return read_core(std::as_const(obj->core));
  ZERAK_PY_CATCH
}

PyObject* output_names(PyObject* self, PyObject*) {
  return read(self, [](const FeaturePipeline& p) { return names_to_list(p.outputs()); });
}
PyObject* input_names(PyObject* self, PyObject*) {
  return read(self, [](const FeaturePipeline& p) { return names_to_list(p.inputs()); });
}
PyObject* warm_up_period(PyObject* self, PyObject*) {
  return read(self, [](const FeaturePipeline& p) { return PyLong_FromSize_t(p.warm_up_period()); });
}

Py_ssize_t length(PyObject* self) {
  if (!is_instance(self)) return wrong_self(self, kName), -1;
  Object* obj = as_object(self);
  SharedBorrow borrow(obj->borrow);
  if (!borrow) return -1;
  return Py_ssize_t(obj->core.size());
}

template <auto F>
PyCFunction fastcall() {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(F));
}

PyMethodDef methods[] = {
    {"update", fastcall<&update>(), METH_FASTCALL | METH_KEYWORDS, kUpdateDoc},
    {"run_research", fastcall<&run_research>(), METH_FASTCALL | METH_KEYWORDS, kRunResearchDoc},
    {"reset", &reset, METH_NOARGS, kResetDoc},
    {"output_names", &output_names, METH_NOARGS, kOutputNamesDoc},
    {"input_names", &input_names, METH_NOARGS, kInputNamesDoc},
    {"warm_up_period", &warm_up_period, METH_NOARGS, kWarmUpDoc},
    Snapshots::reduce_def(), Snapshots::copy_def(), Snapshots::deepcopy_def(),
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&tp_dealloc)},
    {Py_tp_doc, const_cast<char*>(kClassDoc)},
    {Py_tp_methods, methods},
    {Py_sq_length, reinterpret_cast<void*>(&length)},
    {0, nullptr},
};

PyType_Spec spec = {
    "zerak.FeaturePipeline", int(sizeof(Object)), 0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE, slots,
};

PyObject* make(PyObject*) {
  PyObject* type = create_type(spec);
  g_type = reinterpret_cast<PyTypeObject*>(type);
  if (type != nullptr) Snapshots::announce(kName);
  return type;
}

const Export exports[] = {{kName, &make}};
const ExportRegistration registration{exports};

}  // namespace
}  // namespace zerak::py
