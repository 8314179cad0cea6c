#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/sorted_window.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Median of the last `window` values.
class Mma final : public TransformBase<Mma> {
 public:
  static Result<Mma> create(Names inputs, std::size_t window, Names outputs);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }

  // Recomputes the sorted values and the missing count from the ring, the
  // primary state (after the ring was restored from elsewhere).
  void rebuild_from_window();

 private:
  template <class> friend struct snapshot::Codec;

  Mma(Names inputs, std::size_t window, Names outputs);

  std::size_t window_;
  Ring ring_;
  SortedWindow sorted_;  // the ring's present values in order
  std::size_t missing_ = 0;  // missing entries in the ring
};

}  // namespace zerak
