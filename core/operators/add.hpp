#pragma once

#include <cmath>

#include "binary_operator.hpp"

namespace zerak {

// A + B.
class Add final : public BinaryOperator<Add> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Element-wise addition: A + B.",
      .update = "Process one bar. Returns ``[NaN]`` if either input is ``NaN``.",
      .reset = schema::kResetOperatorDoc,
  };

  static Value apply(double a, double b) noexcept { return a + b; }

 private:
  friend class BinaryOperator<Add>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
