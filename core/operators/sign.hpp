#pragma once

#include "unary_operator.hpp"

namespace zerak {

// -1, 0 or +1; both zeros give +0.0 and NaN gives missing.
class Sign final : public UnaryOperator<Sign> {
 public:
  static constexpr auto kDocs = schema::operator_docs("Sign: -1.0, 0.0 or 1.0.", kInputMissingDoc);

  static double compute(double a) noexcept {
    if (a > 0.0) return 1.0;
    if (a < 0.0) return -1.0;
    return a == 0.0 ? 0.0 : kNan;
  }

 private:
  friend class OperatorBase<Sign, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
