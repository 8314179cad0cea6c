#pragma once

#include <cmath>

#include "binary_operator.hpp"

namespace zerak {

// A + B.
class Add final : public BinaryOperator<Add> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Element-wise addition: A + B.", kEitherMissingDoc);

  static constexpr simd::ColumnOp kColumnOp = simd::ColumnOp::Add;
  static Value apply(double a, double b) noexcept { return a + b; }

 private:
  friend class OperatorBase<Add, 2>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
