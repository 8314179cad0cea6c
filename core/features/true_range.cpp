#include "true_range.hpp"

#include <utility>

#include "../block/block_series.hpp"
#include "../ops/range_smoothing.hpp"
#include "range_indicator.hpp"

namespace zerak {

Result<TrueRange> TrueRange::create(Names inputs, Names outputs) {
  if (inputs.size() < 3) return range::invalid_config(range::kHighLowClose);
  if (outputs.empty()) return range::invalid_config(msg::kOutputsEmpty);
  return TrueRange(std::move(inputs), std::move(outputs));
}

inline Value TrueRange::step(const Value& high, const Value& low, const Value& close) noexcept {
  if (!range::usable(high) || !range::usable(low) || !range::usable(close)) {
    prev_close_.reset();
    return kMissing;
  }
  const Value prev = prev_close_;
  prev_close_ = close;
  if (!prev) return kMissing;
  return range::true_range(*high, *low, *prev);
}

OutputRow TrueRange::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing};
  return {step(values[0], values[1], values[2])};
}

void TrueRange::update_block(std::span<const Value* const> inputs,
                             std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < 3 || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* h = inputs[0];
  const Value* l = inputs[1];
  const Value* c = inputs[2];
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) out[i] = step(h[i], l[i], c[i]);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
