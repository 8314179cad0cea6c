#pragma once

#include <cstddef>
#include <utility>

#include "ops/volume_steps.hpp"
#include "volume_ratio_window.hpp"

namespace zerak {

// Chaikin money flow: the sum of the last `window` bars' money-flow volumes
// ((C - L) - (H - C)) / (H - L) * V (0 for a bar without a positive range)
// over the sum of their volumes; missing when the volumes sum to 0.
class ChaikinMoneyFlow final : public VolumeRatioWindow<ChaikinMoneyFlow> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Rolling Chaikin money flow: sum of money-flow volume over sum of volume.",
      .update = "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input in the "
                "window, or when the window's volume sums to 0.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(4, "inputs must contain high, low, close, and volume columns"),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(1, msg::kWindowZero),
  };
  static constexpr std::size_t kValuesRead = 4;

  template <class At>
  static std::pair<Value, Value> terms(At at) noexcept {
    const Value& h = at(0);
    const Value& l = at(1);
    const Value& c = at(2);
    const Value& v = at(3);
    if (!h || !l || !c || !v) return {kMissing, kMissing};
    return {volume_steps::money_flow_volume(*h, *l, *c, *v), *v};
  }
  static Value finish(double flow, double volume) noexcept {
    return volume != 0.0 ? Value(flow / volume) : kMissing;
  }

 private:
  friend class WindowFeature<ChaikinMoneyFlow>;
  using VolumeRatioWindow::VolumeRatioWindow;
};

extern template class VolumeRatioWindow<ChaikinMoneyFlow>;

}  // namespace zerak
