#include "donchian_channel.hpp"

#include <utility>

namespace zerak {

DonchianChannel::DonchianChannel(Names inputs, std::size_t window, Names outputs)
    : HighLowFeature(window, std::move(inputs), window, std::move(outputs)) {}

// Each band needs only its own column's window; the middle needs both.
std::array<Value, 3> DonchianChannel::finish(const HighestHigh& hi, const LowestLow& lo,
                                             const Value* /*bar*/) noexcept {
  const Value upper = hi.ready() ? Value(hi.extreme()) : kMissing;
  const Value lower = lo.ready() ? Value(lo.extreme()) : kMissing;
  const Value middle = upper && lower ? Value((*upper + *lower) / 2.0) : kMissing;
  return {upper, middle, lower};
}

}  // namespace zerak
