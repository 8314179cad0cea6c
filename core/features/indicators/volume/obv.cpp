#include "obv.hpp"

#include <string>
#include <utility>

#include "block/block_series.hpp"

namespace zerak {

Result<Obv> Obv::create(Names inputs, Names outputs) {
  if (inputs.size() < 2) {
    return ZerakError::invalid_input("inputs must contain close and volume columns");
  }
  if (outputs.empty()) return ZerakError::invalid_input(std::string(msg::kOutputsEmpty));
  return Obv(std::move(inputs), std::move(outputs));
}

OutputRow Obv::update(std::span<const Value> values) {
  if (values.size() < kValuesRead) return {kMissing};
  return {step(values[0], values[1])};
}

void Obv::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  if (inputs.size() < kValuesRead || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* close = inputs[0];
  const Value* volume = inputs[1];
  Value* out = outputs[0];
  std::size_t i = 0;
  while (i < bars) {
    out[i] = step(close[i], volume[i]);
    ++i;
    if (!total_) continue;
    // A run of complete bars, with the state in registers.
    double total = *total_;
    double before = *close_;
    for (; i < bars && close[i] && volume[i]; ++i) {
      const double c = *close[i];
      total = next_total(total, before, c, *volume[i]);
      before = c;
      out[i] = total;
    }
    total_ = total;
    close_ = before;
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
