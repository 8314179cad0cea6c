#pragma once

#include "unary_operator.hpp"

namespace zerak {

// -ln(A) for A > 0.
class NegLog final : public UnaryOperator<NegLog> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Negative natural logarithm: -ln(x).",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or <= 0.");

  static bool log_argument(double a, double& g) noexcept {
    if (!(a > 0.0)) return false;
    g = a;
    return true;
  }
  static double from_log(double ln_g) noexcept { return -ln_g; }

 private:
  friend class OperatorBase<NegLog, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
