#pragma once

#include <cmath>

#include "binary_operator.hpp"

namespace zerak {

// A - B (first input minus second).
class Subtract final : public BinaryOperator<Subtract> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Element-wise subtraction: A - B.",
      .update = "Process one bar. Returns ``[NaN]`` if either input is ``NaN``.",
      .reset = schema::kResetOperatorDoc,
  };

  static Value apply(double a, double b) noexcept { return a - b; }

 private:
  friend class BinaryOperator<Subtract>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
