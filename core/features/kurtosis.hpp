#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"
#include "window_feature.hpp"

namespace zerak {

// Bias-corrected sample excess kurtosis G2 (0 for a normal distribution) of
// the last `window` values, recomputed from the whole window on every bar.
class Kurtosis final : public WindowFeature<Kurtosis> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Kurtosis::buffer_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Rolling excess kurtosis (Fisher).",
  };

  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(1, msg::kInputsEmpty),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(4, "window must be >= 4"),
  };
  static constexpr std::size_t kValuesRead = 1;

  void reset() override { buffer_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  template <class> friend struct snapshot::Codec;
  friend class WindowFeature<Kurtosis>;

  Kurtosis(Names inputs, std::size_t window, Names outputs);

  Ring buffer_;
};

}  // namespace zerak
