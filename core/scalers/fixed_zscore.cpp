#include "fixed_zscore.hpp"

#include <cmath>
#include <utility>

namespace zerak {

Result<FixedZScore> FixedZScore::create(Names inputs, Names outputs, double mean, double std_dev) {
  if (inputs.size() != 1) return invalid_input(msg::kInputsExactly1);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  // Written so that NaN fails too: it would turn every value into NaN.
  if (!(std_dev > 0.0)) return invalid_input("std must be > 0");
  if (std::isinf(std_dev)) return invalid_input("std must be finite");
  return FixedZScore(std::move(inputs), std::move(outputs), mean, std_dev);
}

FixedZScore::FixedZScore(Names inputs, Names outputs, double mean, double std_dev)
    : TransformBase(std::move(inputs), std::move(outputs)), mean_(mean), std_dev_(std_dev) {}

OutputRow FixedZScore::update(std::span<const Value> values) {
  if (values.empty() || !values[0]) return {kMissing};
  return {(*values[0] - mean_) / std_dev_};
}

void FixedZScore::update_block(std::span<const Value* const> inputs,
                               std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.empty() || outputs.empty())
    return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    out[i] = in[i] ? Value((*in[i] - mean_) / std_dev_) : kMissing;
  }
  for (std::size_t k = 1; k < outputs.size(); ++k) {
    for (std::size_t i = 0; i < bars; ++i) outputs[k][i] = kMissing;
  }
}

}  // namespace zerak
