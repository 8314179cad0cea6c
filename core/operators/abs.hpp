#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// |A|. A NaN gives missing rather than NaN, as for every element-wise class
// here, so that a recursive feature downstream re-seeds instead of staying NaN.
class Abs final : public UnaryOperator<Abs> {
 public:
  static constexpr auto kDocs = schema::operator_docs("Absolute value: |x|.", kInputMissingDoc);

  static double compute(double a) noexcept { return std::fabs(a); }

 private:
  friend class OperatorBase<Abs, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
