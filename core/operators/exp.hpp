#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// e^A; overflow gives +inf, as numpy's exp does.
class Exp final : public UnaryOperator<Exp> {
 public:
  static constexpr auto kDocs = schema::operator_docs("Exponential: e**x.", kInputMissingDoc);

  static double compute(double a) noexcept { return std::exp(a); }

 private:
  friend class OperatorBase<Exp, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
