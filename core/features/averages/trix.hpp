#pragma once

#include <cstddef>

#include "triple_ema.hpp"

namespace zerak {

// TRIX: the one-bar rate of change, in percent, of e3 of the chained EMAs;
// missing where the previous e3 is missing or 0.
class Trix final : public TripleEma<Trix> {
 public:
  static constexpr schema::Docs kDocs{"TRIX: one-bar rate of change in percent of a triple EMA."};

  [[nodiscard]] std::size_t warm_up_period() const override { return 3 * (window_ - 1) + 1; }

  static Value combine(double, double, double e3, const Value& previous) noexcept {
    if (!previous || *previous == 0.0) return kMissing;
    return ((e3 / *previous) - 1.0) * 100.0;
  }

 private:
  friend class WindowFeature<Trix>;
  using TripleEma::TripleEma;
};

}  // namespace zerak
