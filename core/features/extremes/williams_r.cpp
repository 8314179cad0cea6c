#include "williams_r.hpp"

#include <utility>

#include "block/block_series.hpp"

namespace zerak {

WilliamsR::WilliamsR(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      highs_(window),
      lows_(window),
      highest_(window),
      lowest_(window) {}

void WilliamsR::reset() {
  highs_.clear();
  lows_.clear();
  highest_.clear();
  lowest_.clear();
}

void WilliamsR::rebuild_from_window() noexcept {
  highest_.rebuild(highs_);
  lowest_.rebuild(lows_);
}

void WilliamsR::step(Highest& hi, Lowest& lo, const Value& high, const Value& low,
                     const Value& close, Value& out) noexcept {
  hi.push(high);
  lo.push(low);
  if (!hi.ready() || !lo.ready() || !close) {
    out.reset();
    return;
  }
  // The indicator library's own expression, so that its numbers come out bit for bit.
  const double highest = hi.extreme();
  const double diff = (highest - lo.extreme()) / -100.0;
  out.emplace(diff != 0.0 ? (highest - *close) / diff : 0.0);
}

OutputRow WilliamsR::update(std::span<const Value> values) {
  if (values.size() < kValuesRead) return {kMissing};
  highs_.push(values[0]);
  lows_.push(values[1]);
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  Value out;
  step(hi, lo, values[0], values[1], values[2], out);
  highest_.take(hi);
  lowest_.take(lo);
  return {out};
}

void WilliamsR::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                             std::size_t bars) {
  if (inputs.size() < kValuesRead || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* high = inputs[0];
  const Value* low = inputs[1];
  const Value* close = inputs[2];
  Value* out = outputs[0];
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  for (std::size_t i = 0; i < bars; ++i) step(hi, lo, high[i], low[i], close[i], out[i]);
  highest_.take(hi);
  lowest_.take(lo);
  push_newest(highs_, high, bars);
  push_newest(lows_, low, bars);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
