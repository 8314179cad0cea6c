#pragma once

#include "unary_operator.hpp"

namespace zerak {

// ln(A / (1 - A)) on the open interval (0, 1).
class Logit final : public UnaryOperator<Logit> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Logit function: ln(x / (1 - x)).",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or outside "
                            "the open interval (0, 1).");

  static bool log_argument(double a, double& g) noexcept {
    if (!(a > 0.0 && a < 1.0)) return false;
    g = a / (1.0 - a);
    return true;
  }
  static double from_log(double ln_g) noexcept { return ln_g; }

 private:
  friend class OperatorBase<Logit, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
