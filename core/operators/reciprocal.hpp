#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// 1 / A; missing for +0 and -0, a present NaN stays NaN.
class Reciprocal final : public UnaryOperator<Reciprocal> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Multiplicative inverse: 1 / x.",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or 0.");

  static Value apply(double a) noexcept {
    if (a == 0.0) return kMissing;
    return 1.0 / a;
  }

 private:
  friend class OperatorBase<Reciprocal, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
