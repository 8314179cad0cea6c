#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Ordinary least squares of y on x over the last `window` bars: [slope, R²].
class LinearSlope final : public TransformBase<LinearSlope> {
 public:
  static Result<LinearSlope> create(Names inputs, std::size_t window, Names outputs);

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 2; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 2; }
  void reset() override { pairs_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  template <class> friend struct snapshot::Codec;

  LinearSlope(Names inputs, std::size_t window, Names outputs);

  // One bar's x and y side by side, so the two series can never drift apart.
  struct Pair {
    Value x;
    Value y;
  };

  std::size_t window_;
  BasicRing<Pair> pairs_;
};

}  // namespace zerak
