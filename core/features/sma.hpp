#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Arithmetic mean of the last `window` values, summed afresh on every bar.
class Sma final : public TransformBase<Sma> {
 public:
  static Result<Sma> create(Names inputs, std::size_t window, Names outputs);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }

 private:
  template <class> friend struct snapshot::Codec;

  Sma(Names inputs, std::size_t window, Names outputs);

  std::size_t window_;
  Ring ring_;
};

}  // namespace zerak
