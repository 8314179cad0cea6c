#pragma once

#include <cmath>

#include "binary_operator.hpp"

namespace zerak {

// A * B.
class Multiply final : public BinaryOperator<Multiply> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Element-wise multiplication: A * B.", kEitherMissingDoc);

  static constexpr simd::ColumnOp kColumnOp = simd::ColumnOp::Multiply;
  static Value apply(double a, double b) noexcept { return a * b; }

 private:
  friend class OperatorBase<Multiply, 2>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
