#pragma once

#include <cmath>

#include "binary_operator.hpp"

namespace zerak {

// A - B (first input minus second).
class Subtract final : public BinaryOperator<Subtract> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Element-wise subtraction: A - B.", kEitherMissingDoc);

  static constexpr simd::ColumnOp kColumnOp = simd::ColumnOp::Subtract;
  static Value apply(double a, double b) noexcept { return a - b; }

 private:
  friend class OperatorBase<Subtract, 2>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
