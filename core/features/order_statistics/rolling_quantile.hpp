#pragma once

#include <cstddef>

#include "error.hpp"
#include "traits.hpp"
#include "order_statistic_feature.hpp"

namespace zerak {

// The q-quantile of the last `window` values, interpolated linearly between
// the two order statistics around position q * (window - 1).
class RollingQuantile final : public OrderStatisticFeature<RollingQuantile> {
 public:
  static constexpr auto parameters() {
    return std::tuple_cat(
        schema::window_parameters<RollingQuantile>(),
        std::tuple{schema::RealParam<&RollingQuantile::q>{"q", 0.5, schema::Repr::Shown}});
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&RollingQuantile::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{
      "Rolling quantile (linear interpolation between order statistics)."};

  static Result<RollingQuantile> create(Names inputs, std::size_t window, Names outputs,
                                        double q = 0.5);

  [[nodiscard]] double q() const noexcept { return q_; }

  // Written as pandas' rolling quantile writes it, so that its results match
  // bit for bit: lower + (upper - lower) * fraction. Where that reads
  // inf - inf, between equal infinities or from -inf up, the interpolation's
  // limit is the lower end, as Mma's mean of the middle two gives it; from
  // -inf to inf it stays NaN.
  [[nodiscard]] double of_window() const noexcept {
    if (fraction_ == 0.0) return sorted_[index_];
    const auto [lower, upper] = sorted_.adjacent(index_);
    const double between = lower + (upper - lower) * fraction_;
    if (between == between || lower != lower || upper != upper || lower == -upper) return between;
    return lower;
  }

 private:
  RollingQuantile(Names inputs, std::size_t window, Names outputs, double q);

  double q_;
  std::size_t index_;  // the order statistic at or below the position
  double fraction_;    // the position's distance above it
};

}  // namespace zerak
