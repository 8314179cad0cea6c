#pragma once

#include <cmath>

#include "binary_operator.hpp"

namespace zerak {

// A * B.
class Multiply final : public BinaryOperator<Multiply> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Element-wise multiplication: A * B.",
      .update = "Process one bar. Returns ``[NaN]`` if either input is ``NaN``.",
      .reset = schema::kResetOperatorDoc,
  };

  static Value apply(double a, double b) noexcept { return a * b; }

 private:
  friend class BinaryOperator<Multiply>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
