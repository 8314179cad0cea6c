#pragma once

#include <array>
#include <cstddef>

#include "high_low_feature.hpp"

namespace zerak {

// Aroon: how recent the lowest low and the highest high of the last
// `window` + 1 bars are, from 100 (this bar) down to 0 (`window` bars ago):
// [down, up]. Among equal extremes the newest counts.
class Aroon final : public HighLowFeature<Aroon> {
 public:
  static constexpr schema::Docs kDocs{
      .summary =
          "Aroon: 100 * (window - bars since the lowest low) / window (down) and the\n"
          "same for the highest high (up), over the last ``window + 1`` bars.\n\n"
          "Among equal extremes the most recent counts.",
      .update = "Process one bar. Returns ``[down, up]``, ``NaN`` during warm-up.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(2, kHighLowInputs),
      outputs_exactly(2, "outputs must contain exactly 2 names: [down, up]"),
      window_at_least(2, msg::kWindowBelow2),
  };
  static constexpr std::size_t kValuesRead = 2;
  static constexpr std::size_t kValuesReturned = 2;

  [[nodiscard]] std::size_t warm_up_period() const override { return window_; }

  std::array<Value, 2> finish(const HighestHigh& hi, const LowestLow& lo,
                              const Value* bar) const noexcept;

 private:
  friend class WindowFeature<Aroon>;
  Aroon(Names inputs, std::size_t window, Names outputs);

  double factor_;  // 100 / window
};

}  // namespace zerak
