#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "../error.hpp"
#include "../ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Median of the last `window` values.
class Mma final : public TransformBase<Mma> {
 public:
  static Result<Mma> create(Names inputs, std::size_t window, Names outputs);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }

 private:
  template <class> friend struct snapshot::Codec;

  Mma(Names inputs, std::size_t window, Names outputs);

  std::size_t window_;
  Ring ring_;
  // Reused for the per-bar selection; it grows to `window` once, with the
  // first full window, and never allocates again.
  std::vector<double> scratch_;
};

}  // namespace zerak
