#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "error.hpp"
#include "traits.hpp"
#include "block_sizer.hpp"

namespace zerak {

// Runs several targets over one column-major dataset. Targets read input
// columns only, never each other's outputs, so they run in the order given.
class TargetPipeline {
 public:
  using Columns = std::vector<std::vector<Value>>;

  // Checks, first failure wins: targets empty, a repeated input column, an
  // output name produced twice, input names that are not input columns.
  static Result<TargetPipeline> create(std::vector<std::unique_ptr<Target>> targets,
                                       Names input_columns);

  // One series per input column in input_names() order (lengths may differ);
  // returns one series per output name in output_names() order. A target
  // returning fewer columns than it has output names gets the rest filled
  // with missing values, as long as its first column.
  [[nodiscard]] Result<Columns> run_research(std::span<const std::span<const Value>> data) const;

  // The same labels computed in chunks of bars, each target handed only the
  // bars its labels read (from warm_up_period() bars back to
  // forward_period() ahead), so that memory stays bounded and the caller
  // regains control between chunks. `lengths[c]` is the number of bars of
  // input column c; read(c, first, count, out) writes its bars
  // [first, first + count) to out; write(j, begin, count, values) receives
  // bars [begin, begin + count) of output j (values == nullptr: all
  // missing), chunk after chunk in order; between() runs after every chunk
  // and returns false to stop. Returns whether every chunk ran.
  template <class ReadFn, class WriteFn, class BetweenFn>
  bool run_chunked(std::span<const std::size_t> lengths, ReadFn&& read, WriteFn&& write,
                   BetweenFn&& between) const {
    std::vector<std::vector<Value>> window;
    std::vector<std::span<const Value>> inputs;
    std::size_t first_output = 0;
    for (std::size_t k = 0; k < targets_.size(); ++k) {
      const Target& target = *targets_[k];
      const std::vector<std::size_t>& route = routes_[k];
      const std::size_t bars = route.empty() ? 0 : lengths[route.front()];
      const std::size_t back = target.warm_up_period();
      const std::size_t ahead = target.forward_period();
      const std::size_t outputs = target.outputs().size();
      window.resize(route.size());
      BlockSizer sizer(kMostChunkBars);
      // A chunk reads `back + ahead` bars besides its own: labelling at least
      // as many keeps the reading, and the target's work over it, O(bars +
      // back + ahead) in all, whatever the chunk times say.
      const std::size_t reread = back > SIZE_MAX - ahead ? SIZE_MAX : back + ahead;
      for (std::size_t begin = 0; begin < bars;) {
        const auto start = std::chrono::steady_clock::now();
        const std::size_t count = std::min(std::max(sizer.bars(), reread), bars - begin);
        const std::size_t first = begin - std::min(begin, back);
        inputs.clear();
        for (std::size_t j = 0; j < route.size(); ++j) {
          const std::size_t length = lengths[route[j]];
          const std::size_t end = begin + count;
          const std::size_t stop =
              first >= length
                  ? first
                  : std::min(length, end + std::min(ahead, length - std::min(length, end)));
          window[j].resize(stop - first);
          read(route[j], first, stop - first, window[j].data());
          inputs.emplace_back(window[j]);
        }
        const Columns produced = target.run_research(inputs);
        const std::size_t skip = begin - first;
        for (std::size_t j = 0; j < outputs; ++j) {
          const bool have = j < produced.size() && produced[j].size() >= skip + count;
          write(first_output + j, begin, count, have ? produced[j].data() + skip : nullptr);
        }
        sizer.time(count, std::chrono::steady_clock::now() - start);
        sizer.next_block();
        begin += count;
        if (!between()) return false;
      }
      first_output += outputs;
    }
    return true;
  }

  // The error run_research returns for `given` series.
  [[nodiscard]] ZerakError count_error(std::size_t given) const;

  [[nodiscard]] std::size_t forward_period() const noexcept { return forward_period_; }
  [[nodiscard]] std::size_t size() const noexcept { return targets_.size(); }
  [[nodiscard]] const Names& input_names() const noexcept { return input_columns_; }
  [[nodiscard]] const Names& output_names() const noexcept { return output_names_; }
  // The same, under the names every pipeline and transform answers to.
  [[nodiscard]] const Names& inputs() const noexcept { return input_columns_; }
  [[nodiscard]] const Names& outputs() const noexcept { return output_names_; }
  [[nodiscard]] const std::vector<std::unique_ptr<Target>>& targets() const noexcept {
    return targets_;
  }

 private:
  static constexpr std::size_t kMostChunkBars = 65536;

  TargetPipeline(std::vector<std::unique_ptr<Target>> targets, Names input_columns,
                 Names output_names, std::vector<std::vector<std::size_t>> routes,
                 std::size_t forward_period)
      : targets_(std::move(targets)),
        input_columns_(std::move(input_columns)),
        output_names_(std::move(output_names)),
        routes_(std::move(routes)),
        forward_period_(forward_period) {}

  std::vector<std::unique_ptr<Target>> targets_;
  Names input_columns_;
  Names output_names_;
  // routes_[k][j]: position in input_columns_ of target k's j-th input name.
  std::vector<std::vector<std::size_t>> routes_;
  std::size_t forward_period_;
};

}  // namespace zerak
