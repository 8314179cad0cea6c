#pragma once

#include <cstddef>
#include <utility>

#include "ops/volume_steps.hpp"
#include "volume_ratio_window.hpp"

namespace zerak {

// Rolling volume-weighted average price: the sum over the last `window` bars
// of the typical price (H + L + C) / 3 times the volume, over the sum of
// their volumes; missing when the volumes sum to 0.
class Vwap final : public VolumeRatioWindow<Vwap> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Rolling volume-weighted average of the typical price (H + L + C) / 3.",
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
    return {volume_steps::typical_price(*h, *l, *c) * *v, *v};
  }
  static Value finish(double traded, double volume) noexcept {
    return volume != 0.0 ? Value(traded / volume) : kMissing;
  }

 private:
  friend class WindowFeature<Vwap>;
  using VolumeRatioWindow::VolumeRatioWindow;
};

extern template class VolumeRatioWindow<Vwap>;

}  // namespace zerak
