#include "aroon.hpp"

#include <utility>

namespace zerak {

Aroon::Aroon(Names inputs, std::size_t window, Names outputs)
    : HighLowFeature(ring_capacity(window, 1), std::move(inputs), window, std::move(outputs)),
      factor_(100.0 / static_cast<double>(window)) {}

// Each line needs only its own column's window. factor * (window - age) is
// the indicator library's own expression, so its numbers come out bit for bit.
std::array<Value, 2> Aroon::finish(const HighestHigh& hi, const LowestLow& lo,
                                   const Value* /*bar*/) const noexcept {
  const double n = static_cast<double>(window_);
  const auto line = [this, n](const auto& w) {
    return w.ready() ? Value(factor_ * (n - static_cast<double>(w.age()))) : kMissing;
  };
  return {line(lo), line(hi)};
}

}  // namespace zerak
