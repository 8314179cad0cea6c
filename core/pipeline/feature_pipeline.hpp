#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "../error.hpp"
#include "../traits.hpp"
#include "../value.hpp"
#include "dag.hpp"

namespace zerak {

// Runs a set of transforms together, routing values between them by column
// name. Routing is resolved once at construction: every column and every
// output name gets a slot, each transform gets the slots it reads from and
// the slots it writes to, and a bar is then a plain vector of values by slot.
class FeaturePipeline {
 public:
  // Checks, in order: features not empty, no repeated input column, the
  // plan (duplicate outputs, cycles), every external input supplied.
  static Result<FeaturePipeline> create(std::vector<FeatureDag::Handle> features,
                                        Names input_columns);

  // One bar, one value per input column. Returns the outputs in
  // output_names() order; the view stays valid until the pipeline is next
  // changed. A wrong count fails before any transform is touched.
  Result<std::span<const Value>> update(std::span<const Value> values);

  // Resets, then runs every bar in order; the first bad bar fails the call
  // (the bars before it have advanced the transforms).
  Result<std::vector<std::vector<Value>>> run_research(std::span<const std::vector<Value>> data);

  // run_research without materialising input or output: `row(i)` yields bar
  // i as a span of values, `sink(outputs)` receives each output bar and
  // returns false to stop early (the caller then knows why).
  template <class RowFn, class SinkFn>
  Status run_research_with(std::size_t bars, RowFn&& row, SinkFn&& sink) {
    reset();
    for (std::size_t i = 0; i < bars; ++i) {
      Result<std::span<const Value>> out = update(row(i));
      if (!out) return out.error();
      if (!sink(out.value())) break;
    }
    return ok_status();
  }

  // The same for bars that all have `width` values, which `fill(i, inputs)`
  // writes straight into the pipeline's input slots (no copy per bar).
  template <class FillFn, class SinkFn>
  Status run_research_in_place(std::size_t bars, std::size_t width, FillFn&& fill,
                               SinkFn&& sink) {
    reset();
    if (bars == 0) return ok_status();
    if (width != input_columns_.size()) return count_error(width);
    const std::span<Value> inputs(slots_.data() + 1, width);
    for (std::size_t i = 0; i < bars; ++i) {
      fill(i, inputs);
      if (!sink(run_bar())) break;
    }
    return ok_status();
  }

  // The error update returns for a bar of `given` values.
  [[nodiscard]] ZerakError count_error(std::size_t given) const;

  void reset();
  // The largest warm-up of any transform (not a sum along chains).
  [[nodiscard]] std::size_t warm_up_period() const;
  // Number of transforms.
  [[nodiscard]] std::size_t size() const noexcept { return dag_.size(); }

  [[nodiscard]] Names input_names() const { return input_columns_; }
  [[nodiscard]] Names output_names() const { return dag_.output_names(); }
  [[nodiscard]] const Names& inputs() const noexcept { return input_columns_; }
  [[nodiscard]] const Names& outputs() const noexcept { return dag_.output_names(); }
  [[nodiscard]] const FeatureDag& dag() const noexcept { return dag_; }

 private:
  // One transform in plan order with its resolved routing.
  struct Step {
    StreamingTransform* transform;
    std::size_t arg_begin;  // into arg_slots_
    std::size_t arg_count;
    std::size_t out_begin;  // into slots_
    std::size_t out_count;
  };

  // Runs every transform on the bar held in the input slots.
  std::span<const Value> run_bar();

  FeaturePipeline(FeatureDag dag, Names input_columns)
      : dag_(std::move(dag)), input_columns_(std::move(input_columns)) {}

  FeatureDag dag_;
  Names input_columns_;
  std::vector<Step> steps_;
  std::vector<std::size_t> arg_slots_;
  // Slot 0 stays missing (names nobody writes), then the input columns,
  // then every output name in plan order, so the outputs of a bar are one
  // contiguous run.
  std::vector<Value> slots_;
  std::vector<Value> args_;  // gathered inputs of the current transform
};

}  // namespace zerak
