#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "error.hpp"
#include "traits.hpp"
#include "value.hpp"
#include "block_columns.hpp"
#include "block_sizer.hpp"
#include "dag.hpp"
#include "step_graph.hpp"

namespace zerak {

// A fill or sink for FeaturePipeline::run_blocks that may run on several
// threads at once over disjoint bars of a block (it touches nothing shared
// but those bars' memory): with threads, the copying in and out is shared
// too. A sink so marked never stops the run.
template <class Fn>
struct Sliced {
  Fn fn;
};
template <class Fn>
Sliced(Fn) -> Sliced<Fn>;
// A sliced fill that may spare the copy of an input column: before fn fills
// a block, lend(begin, count, lent) may set lent[j] to memory that already
// holds input column j of those bars in the block's layout (doubles, missing
// ones holding Value's pattern), valid until the block ends; fn then need not
// fill column j.
template <class Fn, class LendFn>
struct SlicedLending {
  Fn fn;
  LendFn lend;
};
template <class Fn, class LendFn>
SlicedLending(Fn, LendFn) -> SlicedLending<Fn, LendFn>;

template <class Fn>
inline constexpr bool is_sliced = false;
template <class Fn>
inline constexpr bool is_sliced<Sliced<Fn>> = true;
template <class Fn, class LendFn>
inline constexpr bool is_sliced<SlicedLending<Fn, LendFn>> = true;
template <class Fn>
inline constexpr bool is_lending = false;
template <class Fn, class LendFn>
inline constexpr bool is_lending<SlicedLending<Fn, LendFn>> = true;

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

  // What update(values) would return, leaving every transform as it was
  // (each peeks at the bar, fed by the peeks before it in the plan).
  Result<std::span<const Value>> peek(std::span<const Value> values);

  // Resets, then runs every bar in order; the first bad bar fails the call
  // (the bars before it have advanced the transforms).
  Result<std::vector<std::vector<Value>>> run_research(std::span<const std::vector<Value>> data);

  // Runs `bars` bars of `input_columns().size()` values from the current
  // state, in blocks: each transform in plan order over a whole block through
  // update_block, so the results equal `bars` update calls bit for bit.
  // fill(begin, count, inputs) writes value j of bar begin + i to
  // inputs[j][i] for i < count; sink(begin, count, outputs) reads output k
  // of those bars from outputs[k][i] and returns false to stop; between()
  // (or between(bars done)) runs between blocks and returns false to stop. Returns whether every
  // bar ran; a stopped run leaves the transforms part way. With `threads` > 1 the transforms of one
  // plan level share that many threads (the caller's included) block by block; the results are the
  // same for any count.
  template <class FillFn, class SinkFn, class BetweenFn>
  bool run_blocks(std::size_t bars, FillFn&& fill, SinkFn&& sink, BetweenFn&& between,
                  std::size_t threads = 1) {
    if (bars == 0) return true;
    BlockColumns block = block_columns(std::min(bars, block_capacity()));
    const std::unique_ptr<StepScheduler> pool = make_pool(threads);
    std::vector<Value*> shifted_in;
    std::vector<const Value*> shifted_out;
    std::vector<const Value*> lent(block.inputs.size());
    BlockSizer sizer(block.capacity(), block_bars_, steps_.size());
    for (std::size_t begin = 0; begin < bars;) {
      std::size_t count = std::min(sizer.bars(), bars - begin);
      // A transform that ends its warm-up may cost far more per bar from
      // then on (a wide Adf: a thousand times more): no block spans that bar.
      const std::size_t jump = next_warm_up_end();
      const bool at_jump = jump - seen_ <= count;
      if (at_jump) count = jump - seen_;
      const auto start = std::chrono::steady_clock::now();
      if constexpr (is_lending<std::remove_cvref_t<FillFn>>) {
        std::fill(lent.begin(), lent.end(), nullptr);
        fill.lend(begin, count, std::span<const Value*>(lent));
        for (std::size_t j = 0; j < lent.size(); ++j) block.lend_input(j, lent[j], count);
      }
      if constexpr (is_sliced<std::remove_cvref_t<FillFn>>) {
        sliced(pool.get(), block.inputs, count, shifted_in,
               [&](std::size_t from, std::size_t n, auto in) { fill.fn(begin + from, n, in); });
      } else {
        fill(begin, count, std::span<Value* const>(block.inputs));
      }
      // Other costs change with the data (a window that held a missing value
      // and no longer does): a block too long for one part runs in parts,
      // timed one by one, and ends early once overdue. On a pool each part is
      // a hand-over to every thread, which cost more than the parts saved
      // (a fifth of the work at 1,000 bars a part): there a block is one part,
      // and only the next block adapts.
      std::size_t done = 0;
      bool parted = false;
      for (auto part_start = start;;) {
        const std::size_t part = pool ? count : std::min(sizer.part(), count - done);
        run_block(block, done, part, pool.get());
        done += part;
        if (done == count && !parted) break;  // one part: timed as the block
        parted = true;
        const auto now = std::chrono::steady_clock::now();
        sizer.time(part, now - part_start);
        if (done == count || BlockSizer::overdue(now - start)) break;
        part_start = now;
      }
      seen_ += done;
      // Timed without the sink: what it costs (building result lists, a
      // progress callback, waiting for a lock) is the caller's, and block
      // sizes that followed it would only multiply its calls.
      const auto took = std::chrono::steady_clock::now() - start;
      if constexpr (is_sliced<std::remove_cvref_t<SinkFn>>) {
        sliced(pool.get(), block.outputs, done, shifted_out,
               [&](std::size_t from, std::size_t n, auto out) { sink.fn(begin + from, n, out); });
      } else if (!sink(begin, done, std::span<const Value* const>(block.outputs))) {
        return false;
      }
      if (!parted) {
        sizer.time(done, took);
      } else if (done == count) {
        sizer.time_block(done, took);
      }
      sizer.next_block();
      if (at_jump && done == count) sizer.restart();
      block_bars_ = sizer.bars();
      begin += done;
      if (begin < bars) {
        if constexpr (std::is_invocable_v<BetweenFn&, std::size_t>) {
          if (!between(begin)) return false;
        } else if (!between()) {
          return false;
        }
      }
    }
    return true;
  }

  // Most bars in one block: the block's columns fit in a core's cache.
  [[nodiscard]] std::size_t block_capacity() const noexcept;

  // A likely mistake in how the pipeline was put together; it runs anyway.
  struct Finding {
    const char* kind;  // "never-written", "shadows-input", "unread-input", "window-too-long"
    std::string message;
    std::string column;  // the output or input column concerned (empty for a transform)
    const StreamingTransform* transform = nullptr;  // the transform concerned, if any
    // Whether a value given or computed is thrown away: a column never read,
    // an output never written.
    [[nodiscard]] bool loses_data() const noexcept;
  };
  // Output names past what their transform returns (always missing), outputs
  // named like an input column (which they hide from every reader), input
  // columns nothing reads (listed only past the values its transforms read
  // counts as unread), and, given the data's length in bars, transforms whose
  // first value (warm-ups added along chains) would come after it.
  [[nodiscard]] std::vector<Finding> check(std::optional<std::size_t> bars) const;

  // Copies of every transform with its state, to put back with restore().
  struct State {
    std::vector<FeatureDag::Handle> transforms;
    std::size_t seen = 0;
  };
  [[nodiscard]] State save() const;
  void restore(State state) noexcept;

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
  // Per input column, 1 if some transform reads it: a fill may skip the others.
  [[nodiscard]] const std::vector<unsigned char>& inputs_read() const noexcept {
    return inputs_read_;
  }

 private:
  // One transform in plan order with its resolved routing.
  struct Step {
    StreamingTransform* transform;
    std::size_t arg_begin;  // into arg_slots_
    std::size_t arg_count;
    std::size_t out_begin;  // into slots_
    std::size_t out_count;
  };

  // Runs every transform on the bar held in the input slots, by update or
  // (Peek) by peek.
  template <bool Peek>
  std::span<const Value> run_bar();
  // Column storage and routing for blocks of up to `capacity` bars.
  [[nodiscard]] BlockColumns block_columns(std::size_t capacity) const;
  // part(from, n, columns) over bars [0, count) of `columns`, in one slice
  // per thread of `pool` (if any), each handed the columns from its first
  // bar on (kept in `shifted`).
  template <class Column, class Part>
  static void sliced(StepScheduler* pool, const std::vector<Column*>& columns, std::size_t count,
                     std::vector<Column*>& shifted, Part&& part) {
    const std::size_t slices = pool == nullptr ? 1 : std::min(pool->threads(), count / 256 + 1);
    if (slices <= 1) return part(0, count, std::span<Column* const>(columns));
    const std::size_t width = columns.size();
    shifted.resize(slices * width);
    auto slice = [&](std::size_t t) {
      const std::size_t from = count * t / slices;
      Column** cols = shifted.data() + t * width;
      for (std::size_t j = 0; j < width; ++j) cols[j] = columns[j] + from;
      part(from, count * (t + 1) / slices - from, std::span<Column* const>(cols, width));
    };
    pool->each(slices, slice);
  }

  // Runs every transform over bars [first, first + bars) of the block,
  // spread over `pool`'s threads if there is one.
  void run_block(BlockColumns& block, std::size_t first, std::size_t bars, StepScheduler* pool);
  // Up to `threads` threads if some transforms can run side by side.
  [[nodiscard]] std::unique_ptr<StepScheduler> make_pool(std::size_t threads) const;
  // The first bar after seen_ at which some transform's warm-up ends (its
  // own plus those of the transforms it reads from), or past any run.
  [[nodiscard]] std::size_t next_warm_up_end() const noexcept {
    if (warm_up_ends_.empty() || seen_ >= warm_up_ends_.back()) return SIZE_MAX;
    return *std::upper_bound(warm_up_ends_.begin(), warm_up_ends_.end(), seen_);
  }

  FeaturePipeline(FeatureDag dag, Names input_columns)
      : dag_(std::move(dag)), input_columns_(std::move(input_columns)) {}

  FeatureDag dag_;
  Names input_columns_;
  std::vector<Step> steps_;
  // Which steps read which steps' outputs, for running them side by side.
  StepGraph graph_;
  std::vector<std::size_t> arg_slots_;
  std::vector<unsigned char> inputs_read_;
  // Slot 0 stays missing (names nobody writes), then the input columns,
  // then every output name in plan order, so the outputs of a bar are one
  // contiguous run.
  std::vector<Value> slots_;
  std::vector<Value> args_;  // gathered inputs of the current transform
  // Bars since the last reset, and the bars (counted alike, ascending) at
  // which warm-ups end; they only shape research blocks.
  std::size_t seen_ = 0;
  std::vector<std::size_t> warm_up_ends_;
  // The block size the last run ended with: short calls in a row (update_many
  // on a few hundred bars) start where the previous one left off.
  std::size_t block_bars_ = 0;
};

}  // namespace zerak
