#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// e^A; overflow gives +inf, as numpy's exp does.
class Exp final : public UnaryOperator<Exp> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Exponential: e**x.", "Process one bar. Returns ``[NaN]`` if input is ``NaN``.");

  static Value apply(double a) noexcept {
    if (a != a) return kMissing;
    return std::exp(a);
  }

 private:
  friend class UnaryOperator<Exp>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
