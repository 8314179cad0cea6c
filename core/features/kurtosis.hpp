#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Bias-corrected sample excess kurtosis G2 (0 for a normal distribution) of
// the last `window` values, recomputed from the whole window on every bar.
class Kurtosis final : public TransformBase<Kurtosis> {
 public:
  static Result<Kurtosis> create(Names inputs, std::size_t window, Names outputs);

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }
  void reset() override { buffer_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  template <class> friend struct snapshot::Codec;

  Kurtosis(Names inputs, std::size_t window, Names outputs);

  std::size_t window_;
  Ring buffer_;
};

}  // namespace zerak
