#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "window/ring.hpp"
#include "traits.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// (x - mean) / sample std over the last `window` values, x included.
class RollingZScore final : public WindowFeature<RollingZScore> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&RollingZScore::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{"Rolling z-score normalization over a sliding window."};

  static constexpr WindowCheck kChecks[] = {
      inputs_exactly(1, msg::kInputsExactly1),
      window_at_least(2, "window must be >= 2 (need at least 2 values for std)"),
      outputs_at_least(1, msg::kOutputsEmpty),
  };

  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  friend class WindowFeature<RollingZScore>;

  RollingZScore(Names inputs, std::size_t window, Names outputs);

  Ring ring_;
};

}  // namespace zerak
