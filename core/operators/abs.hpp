#pragma once

#include <cmath>

#include "elementwise_operator.hpp"

namespace zerak {

// |A|. A NaN gives missing rather than NaN, as for every element-wise class
// here, so that a recursive feature downstream re-seeds instead of staying NaN.
class Abs final : public ElementwiseUnary<Abs> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Absolute value: |x|.", "Process one bar. Returns ``[NaN]`` if input is ``NaN``.");

  static double compute(double a) noexcept { return std::fabs(a); }

 private:
  friend class ElementwiseUnary<Abs>;
  using ElementwiseUnary::ElementwiseUnary;
};

}  // namespace zerak
