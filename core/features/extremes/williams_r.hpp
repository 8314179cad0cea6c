#pragma once

#include <array>
#include <cstddef>

#include "high_low_feature.hpp"

namespace zerak {

// Williams' %R: where the close sits below the highest high of the last
// `window` bars, as a percentage of their range (0 at the top, -100 at the bottom).
class WilliamsR final : public HighLowFeature<WilliamsR> {
 public:
  static constexpr schema::Docs kDocs{
      "Williams' %R: -100 * (highest high - close) / (highest high - lowest low) over\n"
      "the last ``window`` bars; 0 when the range is 0."};
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(3, kHighLowCloseInputs),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(2, msg::kWindowBelow2),
  };
  static constexpr std::size_t kValuesRead = 3;
  static constexpr std::size_t kValuesReturned = 1;

  static std::array<Value, 1> finish(const HighestHigh& hi, const LowestLow& lo,
                                     const Value* bar) noexcept;

 private:
  friend class WindowFeature<WilliamsR>;
  WilliamsR(Names inputs, std::size_t window, Names outputs);
};

}  // namespace zerak
