#pragma once

#include <cmath>

#include "unary_operator.hpp"

namespace zerak {

// ln(A) for A > 0; the comparison also rejects NaN.
class Log final : public UnaryOperator<Log> {
 public:
  static constexpr auto kDocs =
      schema::operator_docs("Natural logarithm: ln(x).",
                            "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or <= 0.");

  static Value apply(double a) noexcept {
    if (!(a > 0.0)) return kMissing;
    return std::log(a);
  }

 private:
  friend class UnaryOperator<Log>;
  using UnaryOperator::UnaryOperator;
};

}  // namespace zerak
