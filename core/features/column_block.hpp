#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "block/block_series.hpp"
#include "traits.hpp"

namespace zerak {

// The block entry of a feature that reads N columns and writes one:
// `run(in_0, ..., in_N-1, out)` over the first N input columns and the first
// output column, the other outputs missing; a block without those columns
// goes through update bar by bar.
template <std::size_t N = 1, class Run>
void column_block(StreamingTransform& self, std::span<const Value* const> inputs,
                  std::span<Value* const> outputs, std::size_t bars, Run&& run) {
  if (inputs.size() < N || outputs.empty()) {
    self.StreamingTransform::update_block(inputs, outputs, bars);
    return;
  }
  [&]<std::size_t... k>(std::index_sequence<k...>) {
    run(inputs[k]..., outputs[0]);
  }(std::make_index_sequence<N>{});
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
