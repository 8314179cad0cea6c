#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Per-bar volatility from the open, high, low and close of the last `window`
// bars: sqrt(mean(ln(H/C) ln(H/O) + ln(L/C) ln(L/O))), not annualised.
class RogersSatchellVolatility final : public TransformBase<RogersSatchellVolatility> {
 public:
  static Result<RogersSatchellVolatility> create(Names inputs, std::size_t window,
                                                 Names outputs);

  // The bar's variance term, or missing unless every price is positive and
  // the high is not below the low.
  static Value term(const Value& high, const Value& low, const Value& open,
                    const Value& close) noexcept;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 4; }
  void reset() override { terms_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  template <class> friend struct snapshot::Codec;

  RogersSatchellVolatility(Names inputs, std::size_t window, Names outputs);

  std::size_t window_;
  Ring terms_;  // each bar's term, computed once on arrival
};

}  // namespace zerak
