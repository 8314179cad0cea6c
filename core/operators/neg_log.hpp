#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// -ln(A) for A > 0.
class NegLog final : public UnaryOperator<NegLog> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Negative natural logarithm: -ln(x).",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or <= 0.");

  static Value apply(double a) noexcept {
    if (!(a > 0.0)) return kMissing;
    return -std::log(a);
  }

 private:
  friend class UnaryOperator<NegLog>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
