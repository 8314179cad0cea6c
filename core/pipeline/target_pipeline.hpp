#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "../error.hpp"
#include "../traits.hpp"

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

  [[nodiscard]] std::size_t forward_period() const noexcept { return forward_period_; }
  [[nodiscard]] std::size_t size() const noexcept { return targets_.size(); }
  [[nodiscard]] const Names& input_names() const noexcept { return input_columns_; }
  [[nodiscard]] const Names& output_names() const noexcept { return output_names_; }
  [[nodiscard]] const std::vector<std::unique_ptr<Target>>& targets() const noexcept {
    return targets_;
  }

 private:
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
