#pragma once

#include <cstddef>

#include "error.hpp"
#include "traits.hpp"
#include "features/order_statistics/order_statistic_feature.hpp"

namespace zerak {

// Median of the last `window` values.
class Mma final : public OrderStatisticFeature<Mma> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Mma::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{"Median Moving Average over a rolling window."};

  // The median of a full window of present values: a selected value (or the
  // mean of two), so the one a sort of the window gives.
  [[nodiscard]] double of_window() const noexcept {
    const std::size_t mid = window_ / 2;
    if (window_ % 2 == 1) return sorted_[mid];
    const auto [lo, hi] = sorted_.adjacent(mid - 1);
    return (lo + hi) * 0.5;
  }

 private:
  friend class WindowFeature<Mma>;

  Mma(Names inputs, std::size_t window, Names outputs)
      : OrderStatisticFeature(std::move(inputs), window, std::move(outputs)) {}
};

}  // namespace zerak
