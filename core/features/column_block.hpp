#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "block/block_series.hpp"
#include "traits.hpp"

namespace zerak {

// The block entry of a feature that reads N columns and writes M:
// `run(in_0, ..., in_N-1, out_0, ..., out_M-1)` over the first N input
// columns and the first M output columns, the other outputs missing; a block
// without those columns goes through update bar by bar.
template <std::size_t N = 1, std::size_t M = 1, class Run>
void column_block(StreamingTransform& self, std::span<const Value* const> inputs,
                  std::span<Value* const> outputs, std::size_t bars, Run&& run) {
  if (inputs.size() < N || outputs.size() < M) {
    self.StreamingTransform::update_block(inputs, outputs, bars);
    return;
  }
  [&]<std::size_t... n, std::size_t... m>(std::index_sequence<n...>, std::index_sequence<m...>) {
    run(inputs[n]..., outputs[m]...);
  }(std::make_index_sequence<N>{}, std::make_index_sequence<M>{});
  fill_missing(outputs, M, bars);
}

}  // namespace zerak
