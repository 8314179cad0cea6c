#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// |A|; a NaN gives missing rather than NaN, as for every element-wise class
// here, so that a recursive feature downstream re-seeds instead of staying NaN.
class Abs final : public UnaryOperator<Abs> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Absolute value: |x|.", "Process one bar. Returns ``[NaN]`` if input is ``NaN``.");

  static Value apply(double a) noexcept {
    if (a != a) return kMissing;
    return std::fabs(a);
  }

 private:
  friend class UnaryOperator<Abs>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
