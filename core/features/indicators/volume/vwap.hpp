#pragma once

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
      .update = kVolumeRatioUpdateDoc,
  };

  static std::pair<Value, Value> terms(const Value& h, const Value& l, const Value& c,
                                       const Value& v) noexcept {
    return {volume_steps::typical_price(*h, *l, *c) * *v, *v};
  }

 private:
  friend class WindowFeature<Vwap>;
  using VolumeRatioWindow::VolumeRatioWindow;
};

extern template class VolumeRatioWindow<Vwap>;

}  // namespace zerak
