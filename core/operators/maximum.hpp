#pragma once

#include "binary_operator.hpp"

namespace zerak {

// The larger of A and B; on a tie (0.0 and -0.0) B, as numpy's maximum.
class Maximum final : public BinaryOperator<Maximum> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Element-wise maximum of A and B.", kEitherMissingDoc);

  // A NaN A is kept (a NaN B fails the comparison and is returned).
  static double compute(double a, double b) noexcept { return a > b || a != a ? a : b; }

 private:
  friend class OperatorBase<Maximum, 2>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
