#pragma once

#include <limits>
#include <utility>

#include "unary_operator.hpp"

namespace zerak {

// x limited to [lower, upper]; a missing bound leaves that side open. A value
// inside the bounds is returned as it is, so clipping -0.0 at 0.0 keeps -0.0
// (numpy's scalar clip agrees; its array clip returns the bound).
class Clip final : public UnaryOperator<Clip> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Clip>, schema::outputs_param<Clip>,
                      schema::OptionalRealParam<&Clip::lower>{"lower"},
                      schema::OptionalRealParam<&Clip::upper>{"upper"}};
  }
  static constexpr auto kDocs = schema::operator_docs(
      "Clip to [lower, upper]; None leaves a side unbounded.", kInputMissingDoc);

  static Result<Clip> create(Names inputs, Names outputs, Value lower, Value upper);

  // NaN fails both comparisons and comes out as NaN, that is missing.
  [[nodiscard]] double compute(double a) const noexcept {
    if (a < low_) return low_;
    if (a > high_) return high_;
    return a;
  }

  [[nodiscard]] Value lower() const noexcept { return lower_; }
  [[nodiscard]] Value upper() const noexcept { return upper_; }

 private:
  static constexpr double kInf = std::numeric_limits<double>::infinity();

  Clip(Names inputs, Names outputs, Value lower, Value upper)
      : UnaryOperator(std::move(inputs), std::move(outputs)),
        lower_(lower),
        upper_(upper),
        low_(lower.value_or(-kInf)),
        high_(upper.value_or(kInf)) {}

  Value lower_;
  Value upper_;
  // The bounds the hot path compares with: an open side is infinite.
  double low_;
  double high_;
};

}  // namespace zerak
