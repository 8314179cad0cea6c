#include "true_range.hpp"

#include <utility>

#include "../block/block_series.hpp"
#include "../ops/range_smoothing.hpp"
#include "range_indicator.hpp"

namespace zerak {

Result<TrueRange> TrueRange::create(Names inputs, Names outputs) {
  if (inputs.size() < 3) return invalid_input(range::kHighLowClose);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  return TrueRange(std::move(inputs), std::move(outputs));
}

// Writes the bar's output in place: building a Value to return and copying
// it costs more than the arithmetic.
inline void TrueRange::step(const Value& high, const Value& low, const Value& close,
                            Value& out) noexcept {
  if (!range::usable(high) || !range::usable(low) || !range::usable(close)) {
    prev_close_.reset();
    out.reset();
    return;
  }
  if (prev_close_) {
    out = range::true_range(*high, *low, *prev_close_);
  } else {
    out.reset();
  }
  prev_close_ = *close;
}

OutputRow TrueRange::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing};
  Value out;
  step(values[0], values[1], values[2], out);
  return {out};
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
  for (std::size_t i = 0; i < bars; ++i) step(h[i], l[i], c[i], out[i]);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
