#include "aroon.hpp"

#include <utility>

#include "block/block_series.hpp"

namespace zerak {

Aroon::Aroon(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      highs_(ring_capacity(window, 1)),
      lows_(ring_capacity(window, 1)),
      highest_(ring_capacity(window, 1)),
      lowest_(ring_capacity(window, 1)),
      factor_(100.0 / static_cast<double>(window)) {}

void Aroon::reset() {
  highs_.clear();
  lows_.clear();
  highest_.clear();
  lowest_.clear();
}

void Aroon::rebuild_from_window() noexcept {
  highest_.rebuild(highs_);
  lowest_.rebuild(lows_);
}

// Each line needs only its own column's window. factor * (window - age) is
// the indicator library's own expression, so its numbers come out bit for bit.
Aroon::Pair Aroon::step(Highest& hi, Lowest& lo, const Value& high,
                        const Value& low) const noexcept {
  hi.push(high);
  lo.push(low);
  const double n = static_cast<double>(window_);
  const auto line = [this, n](auto& w) {
    return w.ready() ? Value(factor_ * (n - static_cast<double>(w.age()))) : kMissing;
  };
  return {line(lo), line(hi)};
}

OutputRow Aroon::update(std::span<const Value> values) {
  if (values.size() < kValuesRead) return {kMissing, kMissing};
  highs_.push(values[0]);
  lows_.push(values[1]);
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  const Pair p = step(hi, lo, values[0], values[1]);
  highest_.take(hi);
  lowest_.take(lo);
  return {p.down, p.up};
}

void Aroon::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                         std::size_t bars) {
  if (inputs.size() < kValuesRead || outputs.size() < 2) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* high = inputs[0];
  const Value* low = inputs[1];
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  for (std::size_t i = 0; i < bars; ++i) {
    const Pair p = step(hi, lo, high[i], low[i]);
    outputs[0][i] = p.down;
    outputs[1][i] = p.up;
  }
  highest_.take(hi);
  lowest_.take(lo);
  push_newest(highs_, high, bars);
  push_newest(lows_, low, bars);
  fill_missing(outputs, 2, bars);
}

}  // namespace zerak
