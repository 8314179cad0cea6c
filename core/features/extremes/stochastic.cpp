#include "stochastic.hpp"

#include <algorithm>
#include <utility>

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
  if (inputs.size() < kValuesRead) return invalid_input(kHighLowCloseInputs);
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
    : HighLowFeature(fastk, std::move(inputs), std::move(outputs)),
      fastk_(fastk),
      slowk_(slowk),
      slowd_(slowd),
      fast_k_(slowk),
      slow_k_(slowd) {}

void Stochastic::reset() {
  HighLowFeature::reset();
  fast_k_.clear();
  slow_k_.clear();
}

const char* Stochastic::restored_problem() const noexcept {
  // A window not yet full tells how many bars there were; the others must agree.
  const Ring* rings[] = {&highs(), &lows(), &fast_k_, &slow_k_};
  std::size_t bars = std::max({fastk_, slowk_, slowd_});
  for (const Ring* r : rings) {
    if (!r->full()) bars = r->size();
  }
  for (const Ring* r : rings) {
    if (r->size() != std::min(bars, r->capacity())) return "windows of inconsistent lengths";
  }
  return nullptr;
}

std::array<Value, 2> Stochastic::finish(const HighestHigh& hi, const LowestLow& lo,
                                        const Value* bar) {
  const Value& close = bar[2];
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
  if (!d) return {kMissing, kMissing};
  return {slow, d};
}

}  // namespace zerak
