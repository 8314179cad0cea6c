#pragma once

#include <cmath>

#include "binary_operator.hpp"

namespace zerak {

// A / B; missing when B is +0 or -0 (an infinite divisor gives +-0).
class Divide final : public BinaryOperator<Divide> {
 public:
  static constexpr auto kDocs = schema::operator_docs(
      "Element-wise division: A / B.",
      "Process one bar. Returns ``[NaN]`` if either input is ``NaN`` or B is 0.");

  static constexpr simd::ColumnOp kColumnOp = simd::ColumnOp::Divide;
  static Value apply(double a, double b) noexcept {
    if (b == 0.0) return kMissing;
    return a / b;
  }

 private:
  friend class OperatorBase<Divide, 2>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
