#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// An execution plan for transforms connected by column names: a transform
// that reads a name runs after the transform that writes it. Transforms are
// grouped into breadth-first levels; names nobody produces are collected as
// the columns that must come from outside.
class FeatureDag {
 public:
  using Handle = std::unique_ptr<StreamingTransform>;
  using Level = std::vector<Handle>;

  // Takes ownership of `features`; fails with DuplicateOutputKey (checked
  // first) or CyclicDependency, releasing every transform.
  static Result<FeatureDag> create(std::vector<Handle> features);

  [[nodiscard]] const std::vector<Level>& levels() const noexcept { return levels_; }
  [[nodiscard]] std::vector<Level>& levels() noexcept { return levels_; }
  // Every output name, level by level, transform by transform.
  [[nodiscard]] const Names& output_names() const noexcept { return output_names_; }
  // Input names no transform produces, each once, in order of first reader.
  [[nodiscard]] const Names& external_inputs() const noexcept { return external_inputs_; }
  // Number of transforms over all levels.
  [[nodiscard]] std::size_t size() const noexcept { return size_; }

 private:
  FeatureDag() = default;

  std::vector<Level> levels_;
  Names output_names_;
  Names external_inputs_;
  std::size_t size_ = 0;
};

}  // namespace zerak
