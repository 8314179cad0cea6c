#pragma once

#include <cmath>

#include "elementwise_operator.hpp"

namespace zerak {

// e^A; overflow gives +inf, as numpy's exp does.
class Exp final : public ElementwiseUnary<Exp> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Exponential: e**x.", "Process one bar. Returns ``[NaN]`` if input is ``NaN``.");

  static double compute(double a) noexcept { return std::exp(a); }

 private:
  friend class ElementwiseUnary<Exp>;
  using ElementwiseUnary::ElementwiseUnary;
};

}  // namespace zerak
