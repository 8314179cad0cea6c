#pragma once

#include <cmath>
#include <cstddef>
#include <limits>

#include "error.hpp"
#include "traits.hpp"
#include "order_statistic_feature.hpp"

namespace zerak {

// Percentile rank of the newest value within the last `window` values: its
// rank (ties averaged, 1 for the smallest) divided by the window.
class RollingRank final : public OrderStatisticFeature<RollingRank> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&RollingRank::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{
      "Rolling percentile rank of the newest value (ties averaged)."};

  [[nodiscard]] double of_window() const noexcept {
    const double x = *ring_.newest();
    if (std::isnan(x)) return std::numeric_limits<double>::quiet_NaN();
    // Ties share the mean of the ranks they span, below + 1 ... at_most:
    // a whole or half number, exact in a double.
    const std::size_t below = sorted_.count_below(x);
    const std::size_t at_most = sorted_.count_at_most(x);
    const double rank = static_cast<double>(below + 1 + at_most) * 0.5;
    return rank / static_cast<double>(window_);
  }

 private:
  friend class WindowFeature<RollingRank>;

  RollingRank(Names inputs, std::size_t window, Names outputs)
      : OrderStatisticFeature(std::move(inputs), window, std::move(outputs)) {}
};

}  // namespace zerak
