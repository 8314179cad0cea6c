#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// sqrt(A) for A >= 0; the comparison also rejects NaN. sqrt(-0.0) is -0.0,
// as IEEE 754 (and numpy) have it.
class Sqrt final : public UnaryOperator<Sqrt> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Square root: sqrt(x).",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or < 0.");

  static Value apply(double a) noexcept {
    if (!(a >= 0.0)) return kMissing;
    return std::sqrt(a);
  }

 private:
  friend class UnaryOperator<Sqrt>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
