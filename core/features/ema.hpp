#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Exponential moving average seeded with the mean of the first `window`
// consecutive present values; a missing input while seeded starts the seeding over.
class Ema final : public TransformBase<Ema> {
 public:
  static Result<Ema> create(Names inputs, std::size_t window, Names outputs);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] double alpha() const noexcept { return alpha_; }

 private:
  template <class> friend struct snapshot::Codec;

  Ema(Names inputs, std::size_t window, Names outputs);

  Value current_;
  Ring seed_;
  std::size_t window_;
  double alpha_;
  double one_minus_alpha_;
};

}  // namespace zerak
