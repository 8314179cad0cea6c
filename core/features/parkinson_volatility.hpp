#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Per-bar volatility from the high-low range of the last `window` bars:
// sqrt(mean(ln(H/L)²) / (4 ln 2)), not annualised.
class ParkinsonVolatility final : public TransformBase<ParkinsonVolatility> {
 public:
  static Result<ParkinsonVolatility> create(Names inputs, std::size_t window, Names outputs);

  // ln(H/L)² for a usable bar (both positive, high not below low), else missing.
  static Value term(const Value& high, const Value& low) noexcept;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 2; }
  void reset() override { terms_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  template <class> friend struct snapshot::Codec;

  ParkinsonVolatility(Names inputs, std::size_t window, Names outputs);

  std::size_t window_;
  Ring terms_;  // each bar's term, computed once on arrival
};

}  // namespace zerak
