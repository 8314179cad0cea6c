#pragma once

#include "unary_operator.hpp"

namespace zerak {

// ln(A) for A > 0; the comparison also rejects NaN.
class Log final : public UnaryOperator<Log> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Natural logarithm: ln(x).",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or <= 0.");

  static bool log_argument(double a, double& g) noexcept {
    if (!(a > 0.0)) return false;
    g = a;
    return true;
  }
  static double from_log(double ln_g) noexcept { return ln_g; }

 private:
  friend class OperatorBase<Log, 1>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
