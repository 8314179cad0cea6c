#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "error.hpp"
#include "pipeline/feature_pipeline.hpp"
#include "snapshot/snapshot.hpp"
#include "cross_section.hpp"

namespace zerak {

// One pipeline over many symbols: every symbol keeps its own state of the
// per-symbol transforms, and cross-sectional transforms see one bar of every
// symbol at once. The transforms are planned in stages by the names they
// read: per-symbol transforms whose inputs are at hand (each stage one
// FeaturePipeline per symbol), then the cross-sections those outputs allow,
// then the per-symbol transforms that read them, and so on. Values of a bar
// live in one row per symbol: the input columns, then every stage's outputs
// in stage order (output_names()).
//
// Inputs come as doubles, NaN for missing. A symbol whose inputs at a bar
// are all NaN, or whose mask entry is 0, did not trade: its state does not
// advance, its outputs are missing and it is left out of the cross-sections.
class UniversePipeline {
 public:
  // A member as given: a per-symbol transform or a cross-section.
  struct Member {
    FeatureDag::Handle transform;
    std::unique_ptr<CrossSection> cross;
  };

  // Checks, in order: members not empty, no repeated input column, no output
  // name given twice or named like an input column, every name read supplied,
  // no cycle.
  static Result<UniversePipeline> create(std::vector<Member> members, Names input_columns,
                                         std::size_t symbols);

  // One bar of every symbol: `matrix` holds symbols() rows of inputs().size()
  // doubles, `mask` (may be null) one flag per symbol; outputs go to `out`,
  // symbols() rows of outputs().size() doubles. Peek leaves every state as it
  // was. Symbols are spread over up to `threads` threads.
  void update(const double* matrix, const std::uint8_t* mask, double* out, bool peek,
              unsigned threads = 1);

  // `bars` bars of every symbol: panel[(bar * symbols() + s) * inputs + j],
  // mask (may be null) likewise by bar and symbol, out by bar, symbol and
  // output. Reset first or go on from the current state; the results equal
  // one update per bar bit for bit, whatever the number of threads. The
  // calling thread runs poll() between blocks; once it returns false the run
  // stops part way and returns false.
  bool run(const double* panel, const std::uint8_t* mask, std::size_t bars, double* out, bool reset,
           unsigned threads, const std::function<bool()>& poll);

  void reset();
  void add_symbol();
  // Requires index < symbols().
  void remove_symbol(std::size_t index);

  // Configuration slips that lose data: outputs no transform writes, input
  // columns nothing reads (per-symbol transforms and cross-sections alike).
  [[nodiscard]] std::vector<FeaturePipeline::Finding> lost_data() const;

  // Each symbol's per-symbol pipelines (one per per-symbol stage) as
  // snapshots, and back: restore checks every snapshot against its stage,
  // the configuration of every transform included, and changes nothing
  // unless all of them fit.
  [[nodiscard]] std::vector<snapshot::Bytes> save_symbol(std::size_t index) const;
  [[nodiscard]] Result<Unit> restore_symbol(std::size_t index,
                                            std::span<const std::span<const std::uint8_t>> states);
  [[nodiscard]] std::size_t per_symbol_stages() const noexcept;

  [[nodiscard]] std::size_t symbols() const noexcept { return symbols_.size(); }
  [[nodiscard]] const Names& inputs() const noexcept { return inputs_; }
  [[nodiscard]] const Names& outputs() const noexcept { return outputs_; }
  [[nodiscard]] std::size_t warm_up_period() const;

 private:
  struct CrossStep {
    const CrossSection* cross;  // owned by crosses_
    std::size_t in;
    std::size_t out;
  };
  struct Stage {
    std::size_t reads = 0;  // per-symbol pipelines read row values [0, reads)
    std::size_t out_begin = 0;
    std::size_t out_count = 0;
    std::size_t index = 0;  // into each symbol's pipelines (per-symbol stages)
    bool cross = false;
    std::vector<CrossStep> steps;  // cross stages
  };

  UniversePipeline() = default;

  // Runs stages on bars [0, bars) held in `table` (bars x symbols x width
  // values) with `active` (bars x symbols).
  void run_table(std::vector<Value>& table, const std::vector<std::uint8_t>& active,
                 std::size_t bars, unsigned threads);

  Names inputs_;
  Names outputs_;
  std::size_t width_ = 0;  // inputs then outputs: the values of a symbol's row
  std::vector<Stage> stages_;
  std::vector<FeaturePipeline> prototypes_;  // reset, one per per-symbol stage
  // Each prototype's configuration as restore compares it (built on first use).
  std::vector<snapshot::Bytes> configurations_;
  std::vector<std::unique_ptr<CrossSection>> crosses_;
  std::vector<std::vector<FeaturePipeline>> symbols_;  // [symbol][per-symbol stage]
  // Live scratch: one row per symbol, the active flags, the cross-section's.
  std::vector<Value> rows_;
  std::vector<std::uint8_t> active_;
  CrossSection::Scratch scratch_;
};

}  // namespace zerak
