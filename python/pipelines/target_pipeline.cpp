// TargetPipeline: several targets over one column-major dataset.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "runtime/binding.hpp"
#include "runtime/borrow.hpp"
#include "io/convert.hpp"
#include "runtime/exceptions.hpp"
#include "io/column_source.hpp"
#include "io/frame_hint.hpp"
#include "runtime/gil_released.hpp"
#include "io/result_array.hpp"
#include "runtime/parameters.hpp"
#include "pipeline/target_pipeline.hpp"
#include "runtime/py_ref.hpp"
#include "runtime/registry.hpp"
#include "runtime/object_class.hpp"

namespace zerak::py {
namespace {

constexpr const char* kClassDoc =
    "TargetPipeline(targets, input_columns)\n--\n\n"
    "Orchestrates multiple targets over a full dataset.\n\n"
    "Targets are stateless and independent \u2014 no DAG needed.\n"
    "Use ``run_research()`` to label an entire dataset at once.";
constexpr const char* kRunResearchDoc =
    "run_research($self, data)\n--\n\n"
    "Run all targets over the full dataset (research mode).\n\n"
    "Args:\n"
    "    data: One list per input column, each containing one float per bar.\n"
    "          Use ``float('nan')`` for missing values.\n\n"
    "Returns:\n"
    "    One list per output column, in ``output_names()`` order.";
constexpr const char* kRunResearchArrayDoc =
    "run_research_array($self, data)\n--\n\n"
    "Run all targets over the full dataset (research mode) into one float64 array.\n\n"
    "The same labels as ``run_research()``, NaN for missing.\n\n"
    "Args:\n"
    "    data: 2-D array of input columns x bars (any numeric dtype and layout,\n"
    "          read in place), or one list or 1-D array per input column, all\n"
    "          of the same length.\n\n"
    "Returns:\n"
    "    numpy.ndarray of shape (len(output_names()), bars), float64, C order\n"
    "    (a memoryview of the same shape when numpy is not installed).";
constexpr const char* kOutputNamesDoc = "output_names($self)\n--\n\nOutput column names, in order.";
constexpr const char* kInputNamesDoc =
    "input_names($self)\n--\n\nInput columns in the order expected by ``run_research()``.";
constexpr const char* kForwardPeriodDoc =
    "forward_period($self)\n--\n\nMaximum forward period across all targets.";

struct PipelineObject {
  PyObject_HEAD
  TargetPipeline core;
  BorrowFlag borrow;
};

PyTypeObject* g_type = nullptr;  // kept alive by the module

const CallSignature& new_signature() {
  static const CallSignature sig = call_signature(
      "TargetPipeline.__new__()", {names_param("targets"), names_param("input_columns")});
  return sig;
}
const CallSignature& run_signature() {
  static const CallSignature sig =
      call_signature("TargetPipeline.run_research()", {names_param("data")});
  return sig;
}
const CallSignature& run_array_signature() {
  static const CallSignature sig =
      call_signature("TargetPipeline.run_research_array()", {names_param("data")});
  return sig;
}

// ---- the targets ------------------------------------------------------------

// A private core copy of a target object, or nullptr with the error set.
std::unique_ptr<Target> extract_target(PyObject* obj) {
  const TargetHooks* hooks = find_target_hooks(obj);
  if (hooks == nullptr) {
    Ref name(PyType_GetName(Py_TYPE(obj)));
    if (!name) return nullptr;
    Ref message(PyUnicode_FromFormat("unsupported target type: %U", name.get()));
    if (!message) return nullptr;
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(message.get(), &size);
    if (text == nullptr) return nullptr;
    raise(ZerakError::invalid_config(std::string(text, std::size_t(size))));
    return nullptr;
  }
  return hooks->copy(obj);
}

// ---- the class ----------------------------------------------------------------

PipelineObject* as_pipeline(PyObject* self) { return reinterpret_cast<PipelineObject*>(self); }

PyObject* wrong_pipeline(PyObject* self) { return wrong_self(self, "TargetPipeline"); }

PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  ZERAK_PY_TRY
  PyObject* bound[2] = {};
  if (!bind_tuple(new_signature(), args, kwargs, bound)) return nullptr;

  std::vector<Ref> objects;
  const Py_ssize_t n = for_each_item(bound[0], [&](Py_ssize_t, PyObject* item) {
    objects.push_back(Ref::borrowed(item));
    return true;
  });
  if (n < 0) return name_argument_error("targets"), nullptr;
  Names input_columns;
  if (!to_names(bound[1], input_columns)) return name_argument_error("input_columns"), nullptr;

  std::vector<std::unique_ptr<Target>> targets;
  targets.reserve(objects.size());
  for (const Ref& obj : objects) {
    std::unique_ptr<Target> copy = extract_target(obj.get());
    if (!copy) return nullptr;
    targets.push_back(std::move(copy));
  }
  objects.clear();

  Result<TargetPipeline> created = TargetPipeline::create(std::move(targets), std::move(input_columns));
  if (!created) return raise(created.error());
  PyObject* self = type->tp_alloc(type, 0);
  if (self == nullptr) return nullptr;
  PipelineObject* obj = as_pipeline(self);
  new (&obj->core) TargetPipeline(std::move(created).value());
  new (&obj->borrow) BorrowFlag();
  return self;
  ZERAK_PY_CATCH
}

// A new TargetPipeline object around `core` (copies and restored snapshots).
PyObject* wrap(TargetPipeline&& core) {
  PyObject* self = g_type->tp_alloc(g_type, 0);
  if (self == nullptr) return nullptr;
  PipelineObject* obj = as_pipeline(self);
  new (&obj->core) TargetPipeline(std::move(core));
  new (&obj->borrow) BorrowFlag();
  return self;
}
using Snapshots = SnapshotMethods<PipelineObject, TargetPipeline, &g_type, &wrap>;

void tp_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  PipelineObject* obj = as_pipeline(self);
  obj->core.~TargetPipeline();
  obj->borrow.~BorrowFlag();
  type->tp_free(self);
  Py_DECREF(type);
}

// Runs `read_core` on the pipeline under a shared borrow.
template <class Read>
PyObject* with_pipeline(PyObject* self, Read&& read_core) {
  ZERAK_PY_TRY
  if (!Py_IS_TYPE(self, g_type)) return wrong_pipeline(self);
  PipelineObject* obj = as_pipeline(self);
  SharedBorrow borrow(obj->borrow);
  if (!borrow) return nullptr;
  return read_core(std::as_const(obj->core));
  ZERAK_PY_CATCH
}

// Both research methods: the columns are read (and checked) first, then the
// targets run in chunks without the interpreter lock, which is taken back
// between chunks to look for signals. The pipeline is only read, under a
// shared borrow, so calls on one pipeline from several threads run together.
PyObject* research(const TargetPipeline& core, PyObject* data, bool as_array) {
  constexpr FrameAdvice advice{
      "zerak.label_frame(target_pipeline, frame)",
      "frame[target_pipeline.input_names()].to_numpy().T, a row per column"};
  ColumnSource source;
  if (!source.open(data)) return note_frame_error(data, advice), nullptr;
  if (source.size() != core.input_names().size()) return raise(core.count_error(source.size()));
  const std::vector<std::size_t> lengths = source.lengths();
  const std::size_t outputs = core.output_names().size();
  const std::size_t bars = lengths.empty() ? 0 : lengths.front();

  ResultArray array;
  std::vector<std::vector<Value>> columns;
  if (as_array) {
    for (const std::size_t length : lengths) {
      if (length != bars) {
        return raise(ZerakError::invalid_input(
            "expected input columns of equal length, got " + std::to_string(bars) + " and " +
            std::to_string(length) + " bar(s)"));
      }
    }
    if (!array.allocate(outputs, bars)) return nullptr;
  } else {
    columns.resize(outputs);
  }

  bool completed;
  {
    GilReleased unlocked;
    const auto read = [&](std::size_t k, std::size_t first, std::size_t count, Value* out) {
      source.read(k, first, count, out);
    };
    const auto between = [&] { return unlocked.poll_signals(); };
    if (as_array) {
      completed = core.run_chunked(
          lengths, read,
          [&](std::size_t j, std::size_t begin, std::size_t count, const Value* values) {
            double* out = array.data() + j * bars + begin;
            for (std::size_t i = 0; i < count; ++i) {
              out[i] = values != nullptr ? double_from_value(values[i]) : kMissingNaN;
            }
          },
          between);
    } else {
      completed = core.run_chunked(
          lengths, read,
          [&](std::size_t j, std::size_t, std::size_t count, const Value* values) {
            std::vector<Value>& column = columns[j];
            if (values != nullptr) {
              column.insert(column.end(), values, values + count);
            } else {
              column.insert(column.end(), count, kMissing);
            }
          },
          between);
    }
  }
  if (!completed) return nullptr;
  if (as_array) return array.publish();
  Ref list(PyList_New(Py_ssize_t(outputs)));
  if (!list) return nullptr;
  for (std::size_t k = 0; k < outputs; ++k) {
    PyObject* column = values_to_list(columns[k]);
    if (column == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), Py_ssize_t(k), column);
    std::vector<Value>().swap(columns[k]);  // keep the peak low
  }
  return list.release();
}

template <bool AsArray>
PyObject* research_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  PyObject* data = nullptr;
  if (nargs == 1 && kwnames == nullptr) {
    data = args[0];
  } else if (!bind_fastcall(AsArray ? run_array_signature() : run_signature(), args, nargs,
                            kwnames, &data)) {
    return nullptr;
  }
  return with_pipeline(
      self, [data](const TargetPipeline& core) { return research(core, data, AsArray); });
}

PyObject* output_names(PyObject* self, PyObject*) {
  return with_pipeline(self, [](const TargetPipeline& c) { return names_to_list(c.output_names()); });
}
PyObject* input_names(PyObject* self, PyObject*) {
  return with_pipeline(self, [](const TargetPipeline& c) { return names_to_list(c.input_names()); });
}
PyObject* forward_period(PyObject* self, PyObject*) {
  return with_pipeline(self, [](const TargetPipeline& c) { return PyLong_FromSize_t(c.forward_period()); });
}

Py_ssize_t length(PyObject* self) {
  if (!Py_IS_TYPE(self, g_type)) return wrong_pipeline(self), -1;
  PipelineObject* obj = as_pipeline(self);
  SharedBorrow borrow(obj->borrow);
  if (!borrow) return -1;
  return Py_ssize_t(obj->core.size());
}

PyMethodDef methods[] = {
    {"run_research", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&research_method<false>)),
     METH_FASTCALL | METH_KEYWORDS, kRunResearchDoc},
    no_arguments_method<&output_names, "output_names">(kOutputNamesDoc),
    no_arguments_method<&input_names, "input_names">(kInputNamesDoc),
    no_arguments_method<&forward_period, "forward_period">(kForwardPeriodDoc),
    {"run_research_array", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&research_method<true>)),
     METH_FASTCALL | METH_KEYWORDS, kRunResearchArrayDoc},
    Snapshots::reduce_def(), Snapshots::copy_def(), Snapshots::deepcopy_def(),
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&tp_dealloc)},
    {Py_sq_length, reinterpret_cast<void*>(&length)},
    {Py_tp_doc, const_cast<char*>(kClassDoc)},
    {Py_tp_methods, methods},
    {0, nullptr},
};

PyType_Spec spec = {
    "zerak.TargetPipeline", int(sizeof(PipelineObject)), 0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE, slots,
};

PyObject* make(PyObject*) {
  PyObject* type = create_type(spec);
  g_type = reinterpret_cast<PyTypeObject*>(type);
  if (type != nullptr) Snapshots::announce("TargetPipeline");
  return type;
}

}  // namespace

PyObject* make_target_pipeline(PyObject* module) { return make(module); }

}  // namespace zerak::py
