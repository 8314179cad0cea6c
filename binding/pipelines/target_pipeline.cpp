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
#include "runtime/progress.hpp"
#include "io/result_array.hpp"
#include "pipeline/target_pipeline.hpp"
#include "runtime/py_ref.hpp"
#include "runtime/registry.hpp"
#include "members.hpp"
#include "summary.hpp"
#include "runtime/object_class.hpp"

namespace zerak::py {
namespace {

constexpr const char* kClassDoc =
    "TargetPipeline(targets, input_columns)\n--\n\n"
    "Orchestrates multiple targets over a full dataset.\n\n"
    "Targets are stateless and independent \u2014 no DAG needed.\n"
    "Use ``run_research()`` to label an entire dataset at once.";
constexpr const char* kRunResearchDoc =
    "run_research($self, data, *, progress=None)\n--\n\n"
    "Run all targets over the full dataset (research mode).\n\n"
    "Args:\n"
    "    data: One list per input column, each containing one float per bar.\n"
    "          Use ``float('nan')`` for missing values.\n"
    "    progress: A callable receiving (bars done, total) between chunks, or\n"
    "              True for a tqdm progress bar; each target counts its bars.\n\n"
    "Returns:\n"
    "    One list per output column, in ``output_names()`` order.";
constexpr const char* kRunResearchArrayDoc =
    "run_research_array($self, data, *, progress=None)\n--\n\n"
    "Run all targets over the full dataset (research mode) into one float64 array.\n\n"
    "The same labels as ``run_research()``, NaN for missing.\n\n"
    "Args:\n"
    "    data: 2-D array of input columns x bars (any numeric dtype and layout,\n"
    "          read in place), or one list or 1-D array per input column, all\n"
    "          of the same length.\n"
    "    progress: As for ``run_research()``.\n\n"
    "Returns:\n"
    "    numpy.ndarray of shape (len(output_names()), bars), float64, C order\n"
    "    (a memoryview of the same shape when numpy is not installed).";
constexpr const char* kOutputNamesDoc = "output_names($self)\n--\n\nOutput column names, in order.";
constexpr const char* kInputNamesDoc =
    "input_names($self)\n--\n\nInput columns in the order expected by ``run_research()``.";
constexpr const char* kForwardPeriodDoc =
    "forward_period($self)\n--\n\nMaximum forward period across all targets.";

using Class = ObjectClass<TargetPipeline>;

const CallSignature kNewSignature{"TargetPipeline.__new__()", {"targets", "input_columns"}, 2};
const CallSignature kRunResearchSignature{"TargetPipeline.run_research()", {"data", "progress"}, 1};
const CallSignature kRunResearchArraySignature{
    "TargetPipeline.run_research_array()", {"data", "progress"}, 1};

// A private core copy of a target object, or nullptr with the error set.
std::unique_ptr<Target> copy_target(PyObject* obj) {
  const TargetHooks* hooks = find_target_hooks(obj);
  if (hooks == nullptr) return raise_unsupported(obj, "target"), nullptr;
  return hooks->copy(obj);
}

PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  ZERAK_PY_TRY
  PyObject* bound[2] = {};
  if (!bind_tuple(kNewSignature, args, kwargs, bound)) return nullptr;
  std::vector<Ref> objects;
  if (!hold_items(bound[0], "targets", objects)) return nullptr;
  Names input_columns;
  if (!to_names(bound[1], input_columns)) {
    return names_argument_error("input_columns", bound[1]), nullptr;
  }
  std::vector<std::unique_ptr<Target>> targets;
  if (!copy_members(objects, copy_target, targets)) return nullptr;
  objects.clear();
  Result<TargetPipeline> created =
      TargetPipeline::create(std::move(targets), std::move(input_columns));
  if (!created) return raise(created.error());
  return Class::wrap_as(type, std::move(created).value());
  ZERAK_PY_CATCH
}

// The bars of each target's first output, the one whose chunks count for the
// progress reports: a target labels as many bars as its first input column has.
std::vector<std::size_t> counted_bars(const TargetPipeline& core,
                                      const std::vector<std::size_t>& lengths) {
  std::vector<std::size_t> counted(core.output_names().size(), 0);
  const Names& inputs = core.input_names();
  std::size_t first_output = 0;
  for (const std::unique_ptr<Target>& target : core.targets()) {
    const std::size_t outputs = target->outputs().size();
    if (outputs > 0 && !target->inputs().empty()) {
      for (std::size_t j = 0; j < inputs.size(); ++j) {
        if (inputs[j] == target->inputs().front()) {
          counted[first_output] = lengths[j];
          break;
        }
      }
    }
    first_output += outputs;
  }
  return counted;
}

// Both research methods: the columns are read (and checked) first, then the
// targets run in chunks without the interpreter lock, which is taken back
// between chunks to look for signals and to report progress when asked. The
// pipeline is only read, under a shared borrow, so calls on one pipeline from
// several threads run together.
PyObject* research(const TargetPipeline& core, PyObject* data, bool as_array,
                   PyObject* progress_arg) {
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
        return raise(ZerakError::invalid_input("expected input columns of equal length, got " +
                                               std::to_string(bars) + " and " +
                                               std::to_string(length) + " bar(s)"));
      }
    }
    if (!array.allocate(outputs, bars)) return nullptr;
  } else {
    columns.resize(outputs);
  }

  // Progress: bars labelled, summed over the targets.
  Progress progress;
  std::vector<std::size_t> counted;
  std::size_t done = 0;
  if (progress_arg != nullptr && progress_arg != Py_None && progress_arg != Py_False) {
    counted = counted_bars(core, lengths);
    std::size_t total = 0;
    for (const std::size_t n : counted) total += n;
    if (!progress.open(progress_arg, total)) return nullptr;
  }
  const auto count_done = [&](std::size_t j, std::size_t count) {
    if (progress.active() && counted[j] != 0) done += count;
  };

  bool completed;
  {
    GilReleased unlocked;
    const auto read = [&](std::size_t k, std::size_t first, std::size_t count, Value* out) {
      source.read(k, first, count, out);
    };
    const auto between = [&] {
      return unlocked.poll_signals() &&
             (!progress.active() || unlocked.locked([&] { return progress.report(done); }));
    };
    if (as_array) {
      completed = core.run_chunked(
          lengths, read,
          [&](std::size_t j, std::size_t begin, std::size_t count, const Value* values) {
            count_done(j, count);
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
            count_done(j, count);
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
  PyObject* bound[2];
  if (!bind_first_and_keywords(AsArray ? kRunResearchArraySignature : kRunResearchSignature, args,
                               nargs, kwnames, bound)) {
    return nullptr;
  }
  PyObject* data = bound[0];
  PyObject* progress = bound[1];
  return Class::read(self, [data, progress](const TargetPipeline& core) {
    return research(core, data, AsArray, progress);
  });
}

PyObject* forward_period(PyObject* self, PyObject*) {
  return Class::read(self,
                     [](const TargetPipeline& c) { return PyLong_FromSize_t(c.forward_period()); });
}

PyObject* summary(PyObject* self) {
  Ref members(Class::read(self, [](const TargetPipeline& p) -> PyObject* {
    Ref list(PyList_New(0));
    if (!list) return nullptr;
    for (const std::unique_ptr<Target>& target : p.targets()) {
      Ref obj(wrap_target_copy(*target));
      if (!obj || PyList_Append(list.get(), obj.get()) < 0) return nullptr;
    }
    return list.release();
  }));
  return members ? pipeline_summary(self, members.get(), "target") : nullptr;
}

PyMethodDef methods[] = {
    {"run_research", fastcall_method<&research_method<false>>(), METH_FASTCALL | METH_KEYWORDS,
     kRunResearchDoc},
    no_arguments_method<&Class::output_names, "output_names">(kOutputNamesDoc),
    no_arguments_method<&Class::input_names, "input_names">(kInputNamesDoc),
    no_arguments_method<&forward_period, "forward_period">(kForwardPeriodDoc),
    {"run_research_array", fastcall_method<&research_method<true>>(), METH_FASTCALL | METH_KEYWORDS,
     kRunResearchArrayDoc},
    Class::Snapshots::reduce_def(),
    Class::Snapshots::copy_def(),
    Class::Snapshots::deepcopy_def(),
    repr_pretty_def(),
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(&Class::tp_dealloc)},
    {Py_sq_length, reinterpret_cast<void*>(&Class::length)},
    {Py_tp_str, reinterpret_cast<void*>(&summary)},
    {Py_tp_doc, const_cast<char*>(kClassDoc)},
    {Py_tp_methods, methods},
    {0, nullptr},
};

struct Make : Class {
  static PyObject* make() {
    static PyType_Spec spec = Class::spec("zerak.TargetPipeline", slots);
    return adopt(create_type(spec), "TargetPipeline");
  }
};

}  // namespace

PyObject* make_target_pipeline(PyObject*) { return Make::make(); }

}  // namespace zerak::py
