#include "donchian_channel.hpp"

#include <utility>

#include "block/block_series.hpp"

namespace zerak {

DonchianChannel::DonchianChannel(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      highs_(window),
      lows_(window),
      highest_(window),
      lowest_(window) {}

void DonchianChannel::reset() {
  highs_.clear();
  lows_.clear();
  highest_.clear();
  lowest_.clear();
}

void DonchianChannel::rebuild_from_window() noexcept {
  highest_.rebuild(highs_);
  lowest_.rebuild(lows_);
}

// Each band needs only its own column's window; the middle needs both.
DonchianChannel::Channel DonchianChannel::step(Highest& hi, Lowest& lo, const Value& high,
                                               const Value& low) noexcept {
  hi.push(high);
  lo.push(low);
  const Value upper = hi.ready() ? Value(hi.extreme()) : kMissing;
  const Value lower = lo.ready() ? Value(lo.extreme()) : kMissing;
  const Value middle = upper && lower ? Value((*upper + *lower) / 2.0) : kMissing;
  return {upper, middle, lower};
}

OutputRow DonchianChannel::update(std::span<const Value> values) {
  if (values.size() < kValuesRead) return {kMissing, kMissing, kMissing};
  highs_.push(values[0]);
  lows_.push(values[1]);
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  const Channel c = step(hi, lo, values[0], values[1]);
  highest_.take(hi);
  lowest_.take(lo);
  return {c.upper, c.middle, c.lower};
}

void DonchianChannel::update_block(std::span<const Value* const> inputs,
                                   std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < kValuesRead || outputs.size() < 3) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* high = inputs[0];
  const Value* low = inputs[1];
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  for (std::size_t i = 0; i < bars; ++i) {
    const Channel c = step(hi, lo, high[i], low[i]);
    outputs[0][i] = c.upper;
    outputs[1][i] = c.middle;
    outputs[2][i] = c.lower;
  }
  highest_.take(hi);
  lowest_.take(lo);
  push_newest(highs_, high, bars);
  push_newest(lows_, low, bars);
  fill_missing(outputs, 3, bars);
}

}  // namespace zerak
