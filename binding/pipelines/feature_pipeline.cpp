// FeaturePipeline: a core pipeline built from private copies of transform
// objects, with the conversions of bars and datasets at the edge.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "custom/object_transform.hpp"
#include "io/bar_source.hpp"
#include "io/frame_hint.hpp"
#include "runtime/gil_released.hpp"
#include "runtime/progress.hpp"
#include "io/result_array.hpp"
#include "simd/dispatch.hpp"
#include "pipeline/feature_pipeline.hpp"
#include "members.hpp"
#include "summary.hpp"
#include "runtime/binding.hpp"
#include "runtime/exceptions.hpp"
#include "runtime/registry.hpp"
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
    "run_research($self, data, *, progress=None, threads=1)\n--\n\n"
    "Process a full dataset bar by bar (research mode).\n\n"
    "Args:\n"
    "    data: List of bars, each bar is a list of input values.\n"
    "    progress: A callable receiving (bars done, total) between blocks, or\n"
    "              True for a tqdm progress bar.\n"
    "    threads: How many threads the features share (see ``run_research_array``).\n\n"
    "Returns:\n"
    "    List of bars, each bar is a list of output values.";
constexpr const char* kRunResearchArrayDoc =
    "run_research_array($self, data, *, progress=None, threads=1)\n--\n\n"
    "Process a full dataset (research mode) into one float64 array.\n\n"
    "The same computation as ``run_research()``: the features are reset first\n"
    "and the values are identical, NaN for missing.\n\n"
    "Args:\n"
    "    data: 2-D array of bars x input columns (any numeric dtype and layout,\n"
    "          read in place), or a list of bars, each a list of input values.\n"
    "    progress: As for ``run_research()``.\n"
    "    threads: How many threads the features share (at least 1): features\n"
    "             that do not read each other's outputs run side by side,\n"
    "             block by block. The values are the same for any count.\n\n"
    "Returns:\n"
    "    numpy.ndarray of shape (bars, len(output_names())), float64, C order\n"
    "    (a memoryview of the same shape when numpy is not installed).";
constexpr const char* kPeekDoc =
    "peek($self, values)\n--\n\n"
    "What ``update(values)`` would return, without changing the pipeline.\n\n"
    "For the bar that is still forming: call ``peek`` on each tick, then\n"
    "``update`` once the bar closes. The values are bit for bit those of\n"
    "``update`` on a copy of the pipeline.\n\n"
    "Args:\n"
    "    values: One float per input column, or a mapping from input column\n"
    "            name to value (a dict, a pandas Series), as for ``update()``.\n\n"
    "Returns:\n"
    "    Flat list of output values matching ``output_names()``.";
constexpr const char* kTransformsDoc =
    "transforms($self)\n--\n\n"
    "The pipeline's transforms in the order it runs them.\n\n"
    "Each is a new object holding a copy of the pipeline's own transform, with\n"
    "its current state; changing it does not change the pipeline.";
constexpr const char* kUpdateManyDoc =
    "update_many($self, data, *, progress=None, threads=1)\n--\n\n"
    "Process many bars from the current state (live mode, catching up).\n\n"
    "Equal to calling ``update()`` on each bar in turn, without a reset; a call\n"
    "that fails on its input changes nothing.\n\n"
    "Args:\n"
    "    data: 2-D array of bars x input columns, or a list of bars.\n"
    "    progress: As for ``run_research()``.\n"
    "    threads: How many threads the features share (see ``run_research_array``).\n\n"
    "Returns:\n"
    "    numpy.ndarray of shape (bars, len(output_names())), float64, C order\n"
    "    (a memoryview of the same shape when numpy is not installed).";
constexpr const char* kResetDoc =
    "reset($self)\n--\n\nReset all features (e.g. between CPCV splits).";
constexpr const char* kOutputNamesDoc =
    "output_names($self)\n--\n\nOutput column names in execution order.";
constexpr const char* kInputNamesDoc =
    "input_names($self)\n--\n\nInput columns in the order expected by ``update()``.";
constexpr const char* kWarmUpDoc =
    "warm_up_period($self)\n--\n\nMaximum warm-up period across all features.";

// The bar being converted by update, one slot per input column, and the
// input names as Python strings for reading bars by name (made on first use).
struct Row {
  explicit Row(const FeaturePipeline& p) : values(p.inputs().size()) {}
  std::vector<Value> values;
  std::vector<Ref> keys;
};

using Class = ObjectClass<FeaturePipeline, Row>;
using Object = Class::Object;

const CallSignature kNewSignature{"FeaturePipeline.__new__()", {"features", "input_columns"}, 2};
const CallSignature kUpdateSignature{"FeaturePipeline.update()", {"values"}, 1};
const CallSignature kPeekSignature{"FeaturePipeline.peek()", {"values"}, 1};
const CallSignature kRunResearchSignature{
    "FeaturePipeline.run_research()", {"data", "progress", "threads"}, 1};
const CallSignature kRunResearchArraySignature{
    "FeaturePipeline.run_research_array()", {"data", "progress", "threads"}, 1};
const CallSignature kUpdateManySignature{
    "FeaturePipeline.update_many()", {"data", "progress", "threads"}, 1};
const FrameAdvice kFrameAdvice{"zerak.research_frame(pipeline, frame)",
                               "frame[pipeline.input_names()].to_numpy(), a row per bar"};

// A private copy of a transform object, or of a user's own transform, in its
// reset state; nullptr with InvalidConfigError for anything else. An object
// busy in a call of its own cannot be read, and counts as unsupported too.
std::unique_ptr<StreamingTransform> copy_feature(PyObject* obj) {
  if (const TransformHooks* hooks = find_transform_hooks(obj)) {
    if (std::unique_ptr<StreamingTransform> copy = hooks->fresh(obj)) return copy;
    PyErr_Clear();
  } else if (std::unique_ptr<StreamingTransform> copy = copy_user_transform(obj)) {
    return copy;
  } else if (PyErr_Occurred()) {
    return nullptr;
  }
  raise_unsupported(obj, "feature");
  return nullptr;
}

// The constructor; `warn`: a zerak.ConfigWarning for each slip that loses
// data, pointing at the caller's line.
PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs, bool warn) {
  ZERAK_PY_TRY
  PyObject* bound[2];
  if (!bind_tuple(kNewSignature, args, kwargs, bound)) return nullptr;
  std::vector<Ref> objects;
  if (!hold_items(bound[0], "features", objects)) return nullptr;
  Names columns;
  if (!to_names(bound[1], columns)) return names_argument_error("input_columns", bound[1]), nullptr;
  std::vector<FeatureDag::Handle> copies;
  if (!copy_members(objects, copy_feature, copies)) return nullptr;
  std::vector<const StreamingTransform*> made;
  made.reserve(copies.size());
  for (const FeatureDag::Handle& copy : copies) made.push_back(copy.get());
  Result<FeaturePipeline> created = FeaturePipeline::create(std::move(copies), std::move(columns));
  if (!created) return raise(created.error());
  if (warn && !warn_lost_data(created.value().check(std::nullopt), objects, made, 1)) {
    return nullptr;  // a filter made it an error: the pipeline goes with `created`
  }
  objects.clear();
  return Class::wrap_as(type, std::move(created).value());
  ZERAK_PY_CATCH
}

PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return construct(type, args, kwargs, true);
}

// zerak.check builds the pipeline it is asked about without the warnings:
// it returns the same findings.
constexpr const char* kUnwarnedDoc =
    "_unwarned(features, input_columns)\n--\n\n"
    "A FeaturePipeline built without configuration warnings.";
PyObject* unwarned(PyObject* cls, PyObject* args, PyObject* kwargs) {
  return construct(reinterpret_cast<PyTypeObject*>(cls), args, kwargs, false);
}

// Whether a bar is read by name: a dict, or any other object with keys()
// (a Mapping, a pandas Series) that is not a buffer (a numpy row) or a frame.
bool is_named_bar(PyObject* values) {
  if (PyList_CheckExact(values) || PyTuple_CheckExact(values)) return false;
  if (PyDict_Check(values)) return true;
  if (PyObject_CheckBuffer(values) || PyUnicode_Check(values)) return false;
  PyObject* keys = nullptr;
  const int found = PyObject_GetOptionalAttrString(values, "keys", &keys);
  Py_XDECREF(keys);
  if (found < 0) PyErr_Clear();  // then not read by name: the sequence path speaks
  return found > 0 && frame_kind(values) == FrameKind::None;
}

// pandas' missing-value marker, without importing pandas (by its type's
// name, as zerak.frames knows it).
bool is_pandas_na(PyObject* item) noexcept {
  const char* name = Py_TYPE(item)->tp_name;
  const char* dot = std::strrchr(name, '.');
  return std::strcmp(dot != nullptr ? dot + 1 : name, "NAType") == 0;
}

// Reads a bar given by name into the pipeline's row: each input column's
// value, None and pd.NA as missing; absent columns raise
// MissingInputColumnError naming them all. False with the error set.
bool read_named_bar(Object& obj, PyObject* values) {
  const Names& names = obj.core.inputs();
  std::vector<Ref>& keys = obj.extra.keys;
  if (keys.size() != names.size()) {
    keys.clear();
    keys.reserve(names.size());
    for (const std::string& name : names) {
      PyObject* key = PyUnicode_FromStringAndSize(name.data(), Py_ssize_t(name.size()));
      if (key == nullptr) return keys.clear(), false;
      PyUnicode_InternInPlace(&key);  // dict lookups then mostly compare pointers
      keys.emplace_back(key);
    }
  }
  const bool dict = PyDict_Check(values);
  Names missing;
  for (std::size_t j = 0; j < names.size(); ++j) {
    PyObject* item = nullptr;
    if (dict) {
      if (PyDict_GetItemRef(values, keys[j].get(), &item) < 0) return false;
    } else if (!(item = PyObject_GetItem(values, keys[j].get()))) {
      if (!PyErr_ExceptionMatches(PyExc_KeyError)) return false;
      PyErr_Clear();
    }
    if (item == nullptr) {
      missing.push_back(names[j]);
      continue;
    }
    const Ref held(item);
    Value& v = obj.extra.values[j];
    if (PyFloat_CheckExact(item)) {
      v = value_from_double(PyFloat_AS_DOUBLE(item));
    } else if (item == Py_None || is_pandas_na(item)) {
      v = kMissing;
    } else if (!item_to_value(item, v)) {
      return name_argument_error("values");
    }
  }
  if (!missing.empty()) return raise(ZerakError::MissingInputColumn{std::move(missing)}), false;
  return true;
}

// update and peek: a bar by position (the documented sequence reading) or by name.
template <bool Peek>
PyObject* live_bar(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const CallSignature& signature = Peek ? kPeekSignature : kUpdateSignature;
  PyObject* values = single_argument(signature, args, nargs, kwnames);
  if (values == nullptr) return nullptr;
  return Class::change(self, [values](Object& obj) -> PyObject* {
    std::vector<Value>& row = obj.extra.values;
    if (is_named_bar(values)) {
      if (!read_named_bar(obj, values)) return nullptr;
    } else {
      const Py_ssize_t given = read_row(values, std::span<Value>(row));
      if (given < 0) return name_argument_error("values"), nullptr;
      if (std::size_t(given) != row.size()) return raise(obj.core.count_error(std::size_t(given)));
    }
    Result<std::span<const Value>> out = Peek ? obj.core.peek(row) : obj.core.update(row);
    if (user_transform_failed()) return raise_user_transform_failure();
    if (!out) return raise(out.error());
    return values_to_list(out.value());
  });
}

PyObject* transforms(PyObject* self, PyObject*) {
  return Class::read(self, [](const FeaturePipeline& p) -> PyObject* {
    Ref list(PyList_New(0));
    if (!list) return nullptr;
    for (const FeatureDag::Level& level : p.dag().levels()) {
      for (const FeatureDag::Handle& t : level) {
        Ref obj(wrap_transform_copy(*t));
        if (!obj || PyList_Append(list.get(), obj.get()) < 0) return nullptr;
      }
    }
    return list.release();
  });
}

PyObject* summary(PyObject* self) {
  Ref members(transforms(self, nullptr));
  return members ? pipeline_summary(self, members.get(), "transform") : nullptr;
}

constexpr const char* kFindingsDoc =
    "_findings($self, data_length)\n--\n\n"
    "Likely mistakes as (kind, message) pairs; ``zerak.check`` reports them.";
const CallSignature kFindingsSignature{"FeaturePipeline._findings()", {"data_length"}, 1};

PyObject* findings(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* length = single_argument(kFindingsSignature, args, nargs, kwnames);
  if (length == nullptr) return nullptr;
  std::optional<std::size_t> bars;
  if (length != Py_None) {
    std::uint64_t n = 0;
    if (!to_u64(length, n)) return name_argument_error("data_length"), nullptr;
    bars = std::size_t(n);
  }
  return Class::read(self, [bars](const FeaturePipeline& p) -> PyObject* {
    const std::vector<FeaturePipeline::Finding> found = p.check(bars);
    Ref list(PyList_New(Py_ssize_t(found.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < found.size(); ++i) {
      PyObject* pair = Py_BuildValue("(ss#)", found[i].kind, found[i].message.data(),
                                     Py_ssize_t(found[i].message.size()));
      if (pair == nullptr) return nullptr;
      PyList_SET_ITEM(list.get(), Py_ssize_t(i), pair);
    }
    return list.release();
  });
}

// update_many's bars by name: a mapping of input column names to 1-D
// columns, as a float64 array of bars (zerak.frames converts it as
// research_frame does). Null and no error when `data` is no mapping.
Ref named_columns_as_bars(const FeaturePipeline& core, PyObject* data) {
  if (!is_named_bar(data)) return Ref();
  Ref frames(PyImport_ImportModule("zerak.frames"));
  if (!frames) return Ref();
  Ref names(names_to_list(core.inputs()));
  if (!names) return Ref();
  return Ref(PyObject_CallMethod(frames.get(), "_mapping_bars", "OO", data, names.get()));
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
    const double* column = doubles(outputs[k]);
    double* cell = out + begin * width + k;
    if (width == 1) {  // contiguous
      simd::kernels().nan_from_missing(column, count, cell);
      continue;
    }
    for (std::size_t i = 0; i < count; ++i, cell += width) {
      *cell = is_missing(column[i]) ? kMissingNaN : column[i];
    }
  }
}

// The three research methods. The input is read (and checked) first; the
// compute runs without the interpreter lock, which it takes back between
// blocks to look for signals (and to build lists for run_research, and to
// report progress when asked).
PyObject* research(Object& obj, PyObject* data, Research mode, PyObject* progress_arg,
                   std::size_t threads) {
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
  Progress progress;
  if (!progress.open(progress_arg, bars)) return nullptr;  // nor has anything here
  // A user's transform keeps its failure per thread: it runs on this one.
  if (holds_user_transform(core)) threads = 1;

  Ref lists;
  ResultArray array;
  FeaturePipeline::State saved;
  if (mode == Research::kLists) {
    core.reset();
    if (user_transform_failed()) return raise_user_transform_failure();
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
      if (user_transform_failed()) return raise_user_transform_failure();
    }
  }

  RunGuard guard(core, mode == Research::kContinue ? &saved : nullptr);
  std::vector<Value> row(outputs);
  bool completed;
  {
    GilReleased unlocked;
    // A column held as doubles without a NaN is read where it lies.
    std::vector<unsigned char> to_fill = core.inputs_read();
    const SlicedLending fill{
        [&](std::size_t begin, std::size_t count, std::span<Value* const> inputs) {
          source.fill(begin, count, inputs, to_fill.data());
        },
        [&](std::size_t begin, std::size_t count, std::span<const Value*> lent) {
          for (std::size_t j = 0; j < lent.size(); ++j) {
            if (core.inputs_read()[j] == 0) continue;
            lent[j] = source.lend(begin, count, j);
            to_fill[j] = lent[j] == nullptr ? 1 : 0;
          }
        }};
    if (lists) {
      completed = core.run_blocks(
          bars, fill,
          [&](std::size_t begin, std::size_t count, std::span<const Value* const> out) {
            return unlocked.locked([&] {
              return !user_transform_failed() &&
                     append_lists(lists.get(), begin, count, out, row) &&
                     PyErr_CheckSignals() == 0 &&
                     (!progress.active() || progress.report(begin + count));
            });
          },
          [] { return true; }, threads);
    } else if (array.data() != nullptr) {
      completed = core.run_blocks(
          bars, fill,
          Sliced{[&](std::size_t begin, std::size_t count, std::span<const Value* const> out) {
            write_rows(array.data(), outputs, begin, count, out);
          }},
          [&](std::size_t done) {
            return !user_transform_failed() && unlocked.poll_signals() &&
                   (!progress.active() || unlocked.locked([&] { return progress.report(done); }));
          },
          threads);
    } else {  // run_research up to its bad bar, whose error follows
      completed = core.run_blocks(
          run, fill,
          [&](std::size_t begin, std::size_t count, std::span<const Value* const>) {
            return !user_transform_failed() && (!progress.active() || unlocked.locked([&] {
              return progress.report(begin + count);
            }));
          },
          [&] { return unlocked.poll_signals(); }, threads);
    }
  }
  // The guard puts the pipeline back.
  if (user_transform_failed()) return raise_user_transform_failure();
  if (!completed) return nullptr;
  // The array's sink is shared by threads: its last block is reported here.
  if (array.data() != nullptr && bars != 0 && progress.active() && !progress.report(bars)) {
    return nullptr;
  }
  if (!fits) {
    guard.done();  // the bars before the bad one stay run, as documented
    return raise(core.count_error(source.width(run)));
  }
  if (lists) PyObject_GC_Track(lists.get());
  PyObject* result = lists ? lists.release() : array.publish();
  if (result != nullptr) guard.done();  // else no result: the guard puts it back
  return result;
}

// The threads keyword: keyword only, an integer of at least 1 (a count past
// what the pipeline can use is capped there). False with the error set.
bool read_threads(PyObject* given, std::size_t& threads) {
  if (given == nullptr) return true;
  if (!PyLong_Check(given) || PyBool_Check(given)) {
    PyErr_Format(PyExc_TypeError, "threads must be an int, not %s", Py_TYPE(given)->tp_name);
    return false;
  }
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(given, &overflow);
  if (n == -1 && PyErr_Occurred()) return false;
  if (overflow < 0 || (overflow == 0 && n < 1)) {
    PyErr_Format(PyExc_ValueError, "threads must be at least 1, got %R", given);
    return false;
  }
  threads = overflow > 0 ? SIZE_MAX : std::size_t(n);
  return true;
}

template <Research Mode>
PyObject* research_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  const CallSignature& signature = Mode == Research::kLists   ? kRunResearchSignature
                                   : Mode == Research::kArray ? kRunResearchArraySignature
                                                              : kUpdateManySignature;
  PyObject* bound[3];
  if (!bind_first_and_keywords(signature, args, nargs, kwnames, bound)) return nullptr;
  std::size_t threads = 1;
  if (!read_threads(bound[2], threads)) return nullptr;
  PyObject* data = bound[0];
  PyObject* progress = bound[1];
  return Class::change(self, [data, progress, threads](Object& obj) -> PyObject* {
    if constexpr (Mode == Research::kContinue) {
      Ref bars = named_columns_as_bars(obj.core, data);
      if (bars) return research(obj, bars.get(), Mode, progress, threads);
      if (PyErr_Occurred()) return nullptr;
    }
    return research(obj, data, Mode, progress, threads);
  });
}

PyObject* reset(PyObject* self, PyObject*) {
  return Class::change(self, [](Object& obj) {
    obj.core.reset();
    if (user_transform_failed()) return raise_user_transform_failure();
    Py_RETURN_NONE;
  });
}

PyObject* warm_up_period(PyObject* self, PyObject*) {
  return Class::read(
      self, [](const FeaturePipeline& p) { return PyLong_FromSize_t(p.warm_up_period()); });
}

PyMethodDef methods[] = {
    {"update", fastcall_method<&live_bar<false>>(), METH_FASTCALL | METH_KEYWORDS, kUpdateDoc},
    {"run_research", fastcall_method<&research_method<Research::kLists>>(),
     METH_FASTCALL | METH_KEYWORDS, kRunResearchDoc},
    no_arguments_method<&reset, "reset">(kResetDoc),
    no_arguments_method<&Class::output_names, "output_names">(kOutputNamesDoc),
    no_arguments_method<&Class::input_names, "input_names">(kInputNamesDoc),
    no_arguments_method<&warm_up_period, "warm_up_period">(kWarmUpDoc),
    {"run_research_array", fastcall_method<&research_method<Research::kArray>>(),
     METH_FASTCALL | METH_KEYWORDS, kRunResearchArrayDoc},
    {"update_many", fastcall_method<&research_method<Research::kContinue>>(),
     METH_FASTCALL | METH_KEYWORDS, kUpdateManyDoc},
    Class::Snapshots::reduce_def(),
    Class::Snapshots::copy_def(),
    Class::Snapshots::deepcopy_def(),
    {"peek", fastcall_method<&live_bar<true>>(), METH_FASTCALL | METH_KEYWORDS, kPeekDoc},
    no_arguments_method<&transforms, "transforms">(kTransformsDoc),
    {"_findings", fastcall_method<&findings>(), METH_FASTCALL | METH_KEYWORDS, kFindingsDoc},
    {"_unwarned", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&unwarned)),
     METH_VARARGS | METH_KEYWORDS | METH_CLASS, kUnwarnedDoc},
    repr_pretty_def(),
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&Class::tp_dealloc)},
    {Py_tp_str, reinterpret_cast<void*>(&summary)},
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
