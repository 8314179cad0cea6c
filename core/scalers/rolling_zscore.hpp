#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// (x - mean) / sample std over the last `window` values, x included.
class RollingZScore final : public TransformBase<RollingZScore> {
 public:
  static Result<RollingZScore> create(Names inputs, std::size_t window, Names outputs);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }

 private:
  template <class> friend struct snapshot::Codec;

  RollingZScore(Names inputs, std::size_t window, Names outputs);

  Ring ring_;
  std::size_t window_;
};

}  // namespace zerak
