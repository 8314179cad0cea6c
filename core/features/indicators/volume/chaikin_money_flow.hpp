#pragma once

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
      .update = kVolumeRatioUpdateDoc,
  };

  static std::pair<Value, Value> terms(const Value& h, const Value& l, const Value& c,
                                       const Value& v) noexcept {
    return {volume_steps::money_flow_volume(*h, *l, *c, *v), *v};
  }

 private:
  friend class WindowFeature<ChaikinMoneyFlow>;
  using VolumeRatioWindow::VolumeRatioWindow;
};

extern template class VolumeRatioWindow<ChaikinMoneyFlow>;

}  // namespace zerak
