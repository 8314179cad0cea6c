#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// ln(A / (1 - A)) on the open interval (0, 1).
class Logit final : public UnaryOperator<Logit> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Logit function: ln(x / (1 - x)).",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or outside "
                            "the open interval (0, 1).");

  static Value apply(double a) noexcept {
    if (!(a > 0.0 && a < 1.0)) return kMissing;
    return std::log(a / (1.0 - a));
  }

 private:
  friend class UnaryOperator<Logit>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
