#pragma once

#include <cstddef>

#include "standardized_moment.hpp"

namespace zerak {

// Bias-corrected sample excess kurtosis G2 (0 for a normal distribution) of
// the last `window` values, recomputed from the whole window on every bar.
class Kurtosis final : public StandardizedMoment<Kurtosis> {
 public:
  static constexpr schema::Docs kDocs{"Rolling excess kurtosis (Fisher)."};
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(1, msg::kInputsEmpty),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(4, "window must be >= 4"),
  };
  static constexpr ops::Power kPower = ops::Power::Fourth;

  // G2 from the sum of the standardized fourth powers: s4 * a - b, with the
  // sample-size corrections a and b.
  struct Correction {
    explicit Correction(std::size_t window) noexcept;
    double operator()(double s4) const noexcept { return s4 * a - b; }
    double a;
    double b;
  };

 private:
  friend class WindowFeature<Kurtosis>;
  using StandardizedMoment::StandardizedMoment;
};

// Compiled once, in kurtosis.cpp, beside the class's own arithmetic.
extern template class StandardizedMoment<Kurtosis>;

}  // namespace zerak
