#include "traits.hpp"

#include <algorithm>

namespace zerak {

OutputRow StreamingTransform::peek(std::span<const Value> values) {
  return clone()->update(values);
}

void StreamingTransform::update_block(std::span<const Value* const> inputs,
                                      std::span<Value* const> outputs, std::size_t bars) {
  std::vector<Value> args(inputs.size());  // once per block, not per bar
  for (std::size_t i = 0; i < bars; ++i) {
    for (std::size_t j = 0; j < inputs.size(); ++j) args[j] = inputs[j][i];
    const OutputRow row = update(args);
    const std::size_t have = std::min(row.size(), outputs.size());
    for (std::size_t k = 0; k < have; ++k) outputs[k][i] = row[k];
    for (std::size_t k = have; k < outputs.size(); ++k) outputs[k][i] = kMissing;
  }
}

}  // namespace zerak
