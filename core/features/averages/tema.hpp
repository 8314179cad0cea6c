#pragma once

#include <cstddef>

#include "triple_ema.hpp"

namespace zerak {

// Triple exponential moving average: 3 * e1 - 3 * e2 + e3 of the chained EMAs.
class Tema final : public TripleEma<Tema> {
 public:
  static constexpr schema::Docs kDocs{
      "Triple Exponential Moving Average: 3 * EMA - 3 * EMA of the EMA + its EMA."};

  [[nodiscard]] std::size_t warm_up_period() const override { return 3 * (window_ - 1); }

  static Value combine(double e1, double e2, double e3, const Value&) noexcept {
    return ((3.0 * e1) - (3.0 * e2)) + e3;
  }

 private:
  friend class WindowFeature<Tema>;
  using TripleEma::TripleEma;
};

}  // namespace zerak
