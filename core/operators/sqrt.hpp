#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// sqrt(A) for A >= 0, else missing. sqrt(-0.0) is -0.0, as IEEE 754 (and
// numpy) have it.
class Sqrt final : public UnaryOperator<Sqrt> {
 public:
  static constexpr auto kDocs = schema::operator_docs(
      "Square root: sqrt(x).", "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or < 0.");

  static double compute(double a) noexcept { return a >= 0.0 ? std::sqrt(a) : kNan; }

 private:
  friend class OperatorBase<Sqrt, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
