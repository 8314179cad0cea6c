#pragma once

#include <cstddef>
#include <vector>

#include "../value.hpp"

namespace zerak {

// The columns of one research block: `capacity` values for every pipeline
// slot, plus the column pointers each transform reads and writes, resolved
// once per run. Built by FeaturePipeline::block_columns.
class BlockColumns {
 public:
  BlockColumns(std::size_t slots, std::size_t capacity)
      : storage_(slots * capacity, kMissing), capacity_(capacity) {}

  [[nodiscard]] std::size_t capacity() const noexcept { return capacity_; }
  [[nodiscard]] Value* column(std::size_t slot) noexcept {
    return storage_.data() + slot * capacity_;
  }

  // Per transform in plan order, its input columns then its output columns.
  std::vector<const Value*> reads;
  std::vector<Value*> writes;
  // The same columns from a bar within the block on (a part of a block).
  std::vector<const Value*> reads_from;
  std::vector<Value*> writes_from;
  // The input columns and the output columns of the pipeline.
  std::vector<Value*> inputs;
  std::vector<const Value*> outputs;
  // Per input column, where in `reads` it is read.
  std::vector<std::vector<std::size_t>> input_reads;

  // Has every transform reading input column j read `values` instead of the
  // column's storage (memory that already holds this block's values of it,
  // lent for one block), or the storage again if `values` is nullptr.
  void lend_input(std::size_t j, const Value* values) noexcept {
    const Value* column = values != nullptr ? values : inputs[j];
    for (const std::size_t r : input_reads[j]) reads[r] = column;
  }

 private:
  std::vector<Value> storage_;
  std::size_t capacity_;
};

}  // namespace zerak
