// FeaturePipeline: a core pipeline built from private copies of transform
// objects, with the conversions of bars and datasets at the edge.
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "io/bar_source.hpp"
#include "io/frame_hint.hpp"
#include "runtime/gil_released.hpp"
#include "io/result_array.hpp"
#include "pipeline/feature_pipeline.hpp"
#include "members.hpp"
#include "runtime/binding.hpp"
#include "runtime/object_class.hpp"

namespace zerak::py {
namespace {

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
constexpr const char* kRunResearchArrayDoc =
    "run_research_array($self, data)\n--\n\n"
    "Process a full dataset (research mode) into one float64 array.\n\n"
    "The same computation as ``run_research()``: the features are reset first\n"
    "and the values are identical, NaN for missing.\n\n"
    "Args:\n"
    "    data: 2-D array of bars x input columns (any numeric dtype and layout,\n"
    "          read in place), or a list of bars, each a list of input values.\n\n"
    "Returns:\n"
    "    numpy.ndarray of shape (bars, len(output_names())), float64, C order\n"
    "    (a memoryview of the same shape when numpy is not installed).";
constexpr const char* kUpdateManyDoc =
    "update_many($self, data)\n--\n\n"
    "Process many bars from the current state (live mode, catching up).\n\n"
    "Equal to calling ``update()`` on each bar in turn, without a reset; a call\n"
    "that fails on its input changes nothing.\n\n"
    "Args:\n"
    "    data: 2-D array of bars x input columns, or a list of bars.\n\n"
    "Returns:\n"
    "    numpy.ndarray of shape (bars, len(output_names())), float64, C order\n"
    "    (a memoryview of the same shape when numpy is not installed).";
constexpr const char* kResetDoc = "reset($self)\n--\n\nReset all features (e.g. between CPCV splits).";
constexpr const char* kOutputNamesDoc =
    "output_names($self)\n--\n\nOutput column names in execution order.";
constexpr const char* kInputNamesDoc =
    "input_names($self)\n--\n\nInput columns in the order expected by ``update()``.";
constexpr const char* kWarmUpDoc =
    "warm_up_period($self)\n--\n\nMaximum warm-up period across all features.";

// The bar being converted by update, one slot per input column.
struct Row {
  explicit Row(const FeaturePipeline& p) : values(p.inputs().size()) {}
  std::vector<Value> values;
};

using Class = ObjectClass<FeaturePipeline, Row>;
using Object = Class::Object;

const CallSignature kNewSignature{"FeaturePipeline.__new__()", {"features", "input_columns"}, 2};
const CallSignature kUpdateSignature{"FeaturePipeline.update()", {"values"}, 1};
const CallSignature kRunResearchSignature{"FeaturePipeline.run_research()", {"data"}, 1};
const CallSignature kRunResearchArraySignature{"FeaturePipeline.run_research_array()", {"data"}, 1};
const CallSignature kUpdateManySignature{"FeaturePipeline.update_many()", {"data"}, 1};
const FrameAdvice kFrameAdvice{"zerak.research_frame(pipeline, frame)",
                               "frame[pipeline.input_names()].to_numpy(), a row per bar"};

// A private copy of a transform object, in its reset state; nullptr with
// InvalidConfigError for anything else. An object busy in a call of its own
// cannot be read, and counts as unsupported too.
std::unique_ptr<StreamingTransform> copy_feature(PyObject* obj) {
  if (const TransformHooks* hooks = find_transform_hooks(obj)) {
    if (std::unique_ptr<StreamingTransform> copy = hooks->fresh(obj)) return copy;
    PyErr_Clear();
  }
  raise_unsupported(obj, "feature");
  return nullptr;
}

PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  ZERAK_PY_TRY
  PyObject* bound[2];
  if (!bind_tuple(kNewSignature, args, kwargs, bound)) return nullptr;
  std::vector<Ref> objects;
  if (!hold_items(bound[0], "features", objects)) return nullptr;
  Names columns;
  if (!to_names(bound[1], columns)) return name_argument_error("input_columns"), nullptr;
  std::vector<FeatureDag::Handle> copies;
  if (!copy_members(objects, copy_feature, copies)) return nullptr;
  Result<FeaturePipeline> created = FeaturePipeline::create(std::move(copies), std::move(columns));
  if (!created) return raise(created.error());
  objects.clear();
  return Class::wrap_as(type, std::move(created).value());
  ZERAK_PY_CATCH
}

PyObject* update(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* values = single_argument(kUpdateSignature, args, nargs, kwnames);
  if (values == nullptr) return nullptr;
  return Class::change(self, [values](Object& obj) -> PyObject* {
    std::vector<Value>& row = obj.extra.values;
    const Py_ssize_t given = read_row(values, std::span<Value>(row));
    if (given < 0) return name_argument_error("values"), nullptr;
    if (std::size_t(given) != row.size()) return raise(obj.core.count_error(std::size_t(given)));
    Result<std::span<const Value>> out = obj.core.update(row);
    if (!out) return raise(out.error());
    return values_to_list(out.value());
  });
}

// What a research call returns, and from which state it starts.
enum class Research {
  kLists,     // run_research: reset, a list of output bars
  kArray,     // run_research_array: reset, a float64 array
  kContinue,  // update_many: from the current state, a float64 array
};

// Puts the pipeline back when a run ends early (a signal, an allocation
// failure): to where it was for update_many, else to its reset state, so that
// no call leaves it part way through data the caller never got results for.
class RunGuard {
 public:
  RunGuard(FeaturePipeline& core, FeaturePipeline::State* saved) noexcept
      : core_(core), saved_(saved) {}
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;
  ~RunGuard() {
    if (done_) return;
    if (saved_ != nullptr) {
      core_.restore(std::move(*saved_));
    } else {
      core_.reset();
    }
  }
  void done() noexcept { done_ = true; }

 private:
  FeaturePipeline& core_;
  FeaturePipeline::State* saved_;
  bool done_ = false;
};

// Output bars [begin, begin + count) as lists, into `result`.
bool append_lists(PyObject* result, std::size_t begin, std::size_t count,
                  std::span<const Value* const> outputs, std::vector<Value>& row) {
  GcPause gc_pause;  // lists of floats hold no cycles
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t k = 0; k < outputs.size(); ++k) row[k] = outputs[k][i];
    PyObject* list = values_to_list(row);
    if (list == nullptr) return false;
    PyList_SET_ITEM(result, Py_ssize_t(begin + i), list);
  }
  return true;
}

// Output bars [begin, begin + count) into a C-ordered array of `width` columns.
void write_rows(double* out, std::size_t width, std::size_t begin, std::size_t count,
                std::span<const Value* const> outputs) noexcept {
  for (std::size_t k = 0; k < width; ++k) {
    const Value* column = outputs[k];
    double* cell = out + begin * width + k;
    for (std::size_t i = 0; i < count; ++i, cell += width) *cell = double_from_value(column[i]);
  }
}

// The three research methods. The input is read (and checked) first; the
// compute runs without the interpreter lock, which it takes back between
// blocks to look for signals (and to build lists for run_research).
PyObject* research(Object& obj, PyObject* data, Research mode) {
  FeaturePipeline& core = obj.core;
  if (!reject_column_iterating_frame(data, kFrameAdvice)) return nullptr;
  BarSource source;
  if (!source.open(data)) return note_frame_error(data, kFrameAdvice), nullptr;

  const std::size_t bars = source.bars();
  const std::size_t width = core.inputs().size();
  const std::size_t outputs = core.outputs().size();
  const std::size_t run = source.first_bad(width);
  const bool fits = source.fits(width);  // also an empty array of another width
  if (!fits && mode != Research::kLists) {
    return raise(core.count_error(source.width(run)));  // nothing has changed
  }

  Ref lists;
  ResultArray array;
  FeaturePipeline::State saved;
  if (mode == Research::kLists) {
    core.reset();
    if (fits) {
      if (!(lists = Ref(PyList_New(Py_ssize_t(bars))))) return nullptr;
      // Other threads run while it fills: gc.get_objects() must not hand
      // them a list with empty slots.
      PyObject_GC_UnTrack(lists.get());
    }
  } else {
    if (!array.allocate(bars, outputs)) return nullptr;
    if (mode == Research::kContinue) {
      saved = core.save();
    } else {
      core.reset();
    }
  }

  RunGuard guard(core, mode == Research::kContinue ? &saved : nullptr);
  std::vector<Value> row(outputs);
  bool completed;
  {
    GilReleased unlocked;
    const auto fill = [&](std::size_t begin, std::size_t count, std::span<Value* const> inputs) {
      source.fill(begin, count, inputs);
    };
    if (lists) {
      completed = core.run_blocks(
          bars, fill,
          [&](std::size_t begin, std::size_t count, std::span<const Value* const> out) {
            return unlocked.locked([&] {
              return append_lists(lists.get(), begin, count, out, row) &&
                     PyErr_CheckSignals() == 0;
            });
          },
          [] { return true; });
    } else if (array.data() != nullptr) {
      completed = core.run_blocks(
          bars, fill,
          [&](std::size_t begin, std::size_t count, std::span<const Value* const> out) {
            write_rows(array.data(), outputs, begin, count, out);
            return true;
          },
          [&] { return unlocked.poll_signals(); });
    } else {  // run_research up to its bad bar, whose error follows
      completed = core.run_blocks(
          run, fill, [](std::size_t, std::size_t, std::span<const Value* const>) { return true; },
          [&] { return unlocked.poll_signals(); });
    }
  }
  if (!completed) return nullptr;  // the guard puts the pipeline back
  if (!fits) {
    guard.done();  // the bars before the bad one stay run, as documented
    return raise(core.count_error(source.width(run)));
  }
  if (lists) PyObject_GC_Track(lists.get());
  PyObject* result = lists ? lists.release() : array.publish();
  if (result != nullptr) guard.done();  // else no result: the guard puts it back
  return result;
}

template <Research Mode>
PyObject* research_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  const CallSignature& signature = Mode == Research::kLists   ? kRunResearchSignature
                                   : Mode == Research::kArray ? kRunResearchArraySignature
                                                              : kUpdateManySignature;
  PyObject* data = single_argument(signature, args, nargs, kwnames);
  if (data == nullptr) return nullptr;
  return Class::change(self, [data](Object& obj) { return research(obj, data, Mode); });
}

PyObject* reset(PyObject* self, PyObject*) {
  return Class::change(self, [](Object& obj) {
    obj.core.reset();
    Py_RETURN_NONE;
  });
}

PyObject* warm_up_period(PyObject* self, PyObject*) {
  return Class::read(self,
                     [](const FeaturePipeline& p) { return PyLong_FromSize_t(p.warm_up_period()); });
}

PyMethodDef methods[] = {
    {"update", fastcall_method<&update>(), METH_FASTCALL | METH_KEYWORDS, kUpdateDoc},
    {"run_research", fastcall_method<&research_method<Research::kLists>>(), METH_FASTCALL | METH_KEYWORDS,
     kRunResearchDoc},
    no_arguments_method<&reset, "reset">(kResetDoc),
    no_arguments_method<&Class::output_names, "output_names">(kOutputNamesDoc),
    no_arguments_method<&Class::input_names, "input_names">(kInputNamesDoc),
    no_arguments_method<&warm_up_period, "warm_up_period">(kWarmUpDoc),
    {"run_research_array", fastcall_method<&research_method<Research::kArray>>(),
     METH_FASTCALL | METH_KEYWORDS, kRunResearchArrayDoc},
    {"update_many", fastcall_method<&research_method<Research::kContinue>>(),
     METH_FASTCALL | METH_KEYWORDS, kUpdateManyDoc},
    Class::Snapshots::reduce_def(), Class::Snapshots::copy_def(), Class::Snapshots::deepcopy_def(),
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&Class::tp_dealloc)},
    {Py_tp_doc, const_cast<char*>(kClassDoc)},
    {Py_tp_methods, methods},
    {Py_sq_length, reinterpret_cast<void*>(&Class::length)},
    {0, nullptr},
};

// The pipeline's own methods beside those of its object class.
struct Make : Class {
  static PyObject* make() {
    static PyType_Spec spec = Class::spec("zerak.FeaturePipeline", slots);
    return adopt(create_type(spec), "FeaturePipeline");
  }
};

}  // namespace

PyObject* make_feature_pipeline(PyObject*) { return Make::make(); }

}  // namespace zerak::py
