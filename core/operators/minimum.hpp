#pragma once

#include "binary_operator.hpp"

namespace zerak {

// The smaller of A and B; on a tie (0.0 and -0.0) B, as numpy's minimum.
class Minimum final : public BinaryOperator<Minimum> {
 public:
  static constexpr auto kDocs = schema::operator_docs(
      "Element-wise minimum of A and B.",
      kEitherMissingDoc);

  static Value apply(double a, double b) noexcept {
    if (a != a || b != b) return kMissing;
    return a < b ? a : b;
  }

 private:
  friend class BinaryOperator<Minimum>;
  using BinaryOperator::BinaryOperator;
};

}  // namespace zerak
