#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "features/window_feature.hpp"
#include "traits.hpp"
#include "window/ring.hpp"

namespace zerak {

// Triangular moving average: the mean of the last `window` values weighted
// 1, 2, ..., up to the middle and back down to 1 (the SMA of an SMA), summed
// afresh on every bar with compensation (a running form drifts).
class Trima final : public WindowFeature<Trima> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Trima::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{"Triangular Moving Average with triangular weights."};

  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;

 private:
  friend class WindowFeature<Trima>;

  Trima(Names inputs, std::size_t window, Names outputs);

  Ring ring_;
  double divisor_;  // the sum of the weights
};

}  // namespace zerak
