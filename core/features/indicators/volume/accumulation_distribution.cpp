#include "accumulation_distribution.hpp"

#include <string>
#include <utility>

#include "block/block_series.hpp"

namespace zerak {

Result<AccumulationDistribution> AccumulationDistribution::create(Names inputs, Names outputs) {
  if (inputs.size() < 4) {
    return ZerakError::invalid_input("inputs must contain high, low, close, and volume columns");
  }
  if (outputs.empty()) return ZerakError::invalid_input(std::string(msg::kOutputsEmpty));
  return AccumulationDistribution(std::move(inputs), std::move(outputs));
}

OutputRow AccumulationDistribution::update(std::span<const Value> values) {
  if (values.size() < kValuesRead) return {kMissing};
  return {step(values[0], values[1], values[2], values[3])};
}

void AccumulationDistribution::update_block(std::span<const Value* const> inputs,
                                            std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < kValuesRead || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* high = inputs[0];
  const Value* low = inputs[1];
  const Value* close = inputs[2];
  const Value* volume = inputs[3];
  Value* out = outputs[0];
  std::size_t i = 0;
  while (i < bars) {
    out[i] = step(high[i], low[i], close[i], volume[i]);
    ++i;
    if (!total_) continue;
    // A run of complete bars, with the total in a register.
    double total = *total_;
    for (; i < bars && high[i] && low[i] && close[i] && volume[i]; ++i) {
      total = total + volume_steps::money_flow_volume(*high[i], *low[i], *close[i], *volume[i]);
      out[i] = total;
    }
    total_ = total;
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
