#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "value.hpp"

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
  // Per input column, where in `reads` it is read, and whether that
  // transform may read lent memory in place.
  struct InputRead {
    std::size_t at;
    bool in_place;
  };
  std::vector<std::vector<InputRead>> input_reads;

  // Has every transform reading input column j read `values` (memory that
  // already holds this block's `count` values of it, lent for one block)
  // instead of the column's storage, or the storage again if `values` is
  // nullptr. Another thread may write lent memory meanwhile: a transform not
  // made for that reads a copy in the storage, each value read once here.
  void lend_input(std::size_t j, const Value* values, std::size_t count) noexcept {
    bool copied = false;
    for (const InputRead& read : input_reads[j]) {
      if (values != nullptr && !read.in_place && !copied) {
        std::memcpy(inputs[j], values, count * sizeof(Value));
        copied = true;
      }
      reads[read.at] = values != nullptr && read.in_place ? values : inputs[j];
    }
  }

 private:
  std::vector<Value> storage_;
  std::size_t capacity_;
};

}  // namespace zerak
