#include "stochastic.hpp"

#include <algorithm>
#include <utility>

#include "block/block_series.hpp"
#include "ops/moments.hpp"
#include "window/window_sums.hpp"

namespace zerak {
namespace {

// The mean of a full window of present values, summed afresh oldest first.
Value window_average(const Ring& ring) noexcept {
  if (!ring.full()) return kMissing;
  const Value sum = sum_oldest_first(ring);
  if (!sum) return kMissing;
  return ops::window_mean(*sum, static_cast<double>(ring.capacity()));
}

}  // namespace

Result<Stochastic> Stochastic::create(Names inputs, Names outputs, std::size_t fastk,
                                      std::size_t slowk, std::size_t slowd) {
  if (inputs.size() < 3) return invalid_input("inputs must contain high, low and close columns");
  if (outputs.size() != 2) {
    return invalid_input("outputs must contain exactly 2 names: [slowk, slowd]");
  }
  if (fastk == 0) return invalid_input("fastk must be >= 1");
  if (slowk == 0) return invalid_input("slowk must be >= 1");
  if (slowd == 0) return invalid_input("slowd must be >= 1");
  return Stochastic(std::move(inputs), std::move(outputs), fastk, slowk, slowd);
}

Stochastic::Stochastic(Names inputs, Names outputs, std::size_t fastk, std::size_t slowk,
                       std::size_t slowd)
    : TransformBase(std::move(inputs), std::move(outputs)),
      fastk_(fastk),
      slowk_(slowk),
      slowd_(slowd),
      highs_(fastk),
      lows_(fastk),
      fast_k_(slowk),
      slow_k_(slowd),
      highest_(fastk),
      lowest_(fastk) {}

void Stochastic::reset() {
  highs_.clear();
  lows_.clear();
  fast_k_.clear();
  slow_k_.clear();
  highest_.clear();
  lowest_.clear();
}

void Stochastic::rebuild_from_window() noexcept {
  highest_.rebuild(highs_);
  lowest_.rebuild(lows_);
}

const char* Stochastic::restored_problem() const noexcept {
  // A window not yet full tells how many bars there were; the others must agree.
  const Ring* rings[] = {&highs_, &lows_, &fast_k_, &slow_k_};
  std::size_t bars = std::max({fastk_, slowk_, slowd_});
  for (const Ring* r : rings) {
    if (!r->full()) bars = r->size();
  }
  for (const Ring* r : rings) {
    if (r->size() != std::min(bars, r->capacity())) return "windows of inconsistent lengths";
  }
  return nullptr;
}

Stochastic::Lines Stochastic::step(Highest& hi, Lowest& lo, const Value& high, const Value& low,
                                   const Value& close) {
  hi.push(high);
  lo.push(low);
  Value k = kMissing;
  if (hi.ready() && lo.ready() && close) {
    // The indicator library's own expression, so that its numbers come out bit for bit.
    const double lowest = lo.extreme();
    const double diff = (hi.extreme() - lowest) / 100.0;
    k = diff != 0.0 ? (*close - lowest) / diff : 0.0;
  }
  fast_k_.push(k);
  const Value slow = window_average(fast_k_);
  slow_k_.push(slow);
  // The lines come together (as the indicator library aligns them): %K waits for %D.
  const Value d = window_average(slow_k_);
  return d ? Lines{slow, d} : Lines{kMissing, kMissing};
}

OutputRow Stochastic::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing, kMissing};
  highs_.push(values[0]);
  lows_.push(values[1]);
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  const Lines l = step(hi, lo, values[0], values[1], values[2]);
  highest_.take(hi);
  lowest_.take(lo);
  return {l.slowk, l.slowd};
}

void Stochastic::update_block(std::span<const Value* const> inputs,
                              std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < 3 || outputs.size() < 2) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* high = inputs[0];
  const Value* low = inputs[1];
  const Value* close = inputs[2];
  auto hi = highest_.cursor();
  auto lo = lowest_.cursor();
  for (std::size_t i = 0; i < bars; ++i) {
    const Lines l = step(hi, lo, high[i], low[i], close[i]);
    outputs[0][i] = l.slowk;
    outputs[1][i] = l.slowd;
  }
  highest_.take(hi);
  lowest_.take(lo);
  push_newest(highs_, high, bars);
  push_newest(lows_, low, bars);
  fill_missing(outputs, 2, bars);
}

}  // namespace zerak
