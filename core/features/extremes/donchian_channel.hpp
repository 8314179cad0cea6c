#pragma once

#include <array>
#include <cstddef>

#include "high_low_feature.hpp"

namespace zerak {

// The highest high and lowest low of the last `window` bars and their mean:
// [upper, middle, lower].
class DonchianChannel final : public HighLowFeature<DonchianChannel> {
 public:
  static constexpr schema::Docs kDocs{
      .summary =
          "Donchian channel: the highest high (upper) and lowest low (lower) of the\n"
          "last ``window`` bars and their mean (middle).",
      .update = "Process one bar. Returns ``[upper, middle, lower]``, ``NaN`` during warm-up.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(2, kHighLowInputs),
      outputs_exactly(3, "outputs must contain exactly 3 names: [upper, middle, lower]"),
      window_at_least(1, msg::kWindowZero),
  };
  static constexpr std::size_t kValuesRead = 2;
  static constexpr std::size_t kValuesReturned = 3;

  static std::array<Value, 3> finish(const HighestHigh& hi, const LowestLow& lo,
                                     const Value* bar) noexcept;

 private:
  friend class WindowFeature<DonchianChannel>;
  DonchianChannel(Names inputs, std::size_t window, Names outputs);
};

}  // namespace zerak
