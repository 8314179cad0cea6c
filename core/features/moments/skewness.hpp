#pragma once

#include <cstddef>

#include "standardized_moment.hpp"

namespace zerak {

// Adjusted Fisher-Pearson sample skewness G1 of the last `window` values,
// recomputed from the whole window on every bar.
class Skewness final : public StandardizedMoment<Skewness> {
 public:
  static constexpr schema::Docs kDocs{"Rolling sample skewness (Fisher-Pearson corrected)."};
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(1, msg::kInputsEmpty),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(3, "window must be >= 3"),
  };
  static constexpr ops::Power kPower = ops::Power::Third;

  // G1 from the sum of the standardized cubes: the sample-size correction
  // n / ((n - 1)(n - 2)).
  struct Correction {
    explicit Correction(std::size_t window) noexcept;
    double operator()(double s3) const noexcept { return scale * s3; }
    double scale;
  };

 private:
  friend class WindowFeature<Skewness>;
  using StandardizedMoment::StandardizedMoment;
};

// Compiled once, in skewness.cpp, beside the class's own arithmetic.
extern template class StandardizedMoment<Skewness>;

}  // namespace zerak
