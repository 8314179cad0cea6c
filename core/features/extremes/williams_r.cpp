#include "williams_r.hpp"

#include <utility>

namespace zerak {

WilliamsR::WilliamsR(Names inputs, std::size_t window, Names outputs)
    : HighLowFeature(window, std::move(inputs), window, std::move(outputs)) {}

std::array<Value, 1> WilliamsR::finish(const HighestHigh& hi, const LowestLow& lo,
                                       const Value* bar) noexcept {
  const Value& close = bar[2];
  if (!hi.ready() || !lo.ready() || !close) return {kMissing};
  // The indicator library's own expression, so that its numbers come out bit for bit.
  const double highest = hi.extreme();
  const double diff = (highest - lo.extreme()) / -100.0;
  return {Value(diff != 0.0 ? (highest - *close) / diff : 0.0)};
}

}  // namespace zerak
