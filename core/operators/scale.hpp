#pragma once

#include <utility>

#include "unary_operator.hpp"

namespace zerak {

// x * scale + offset: one product then one sum, each rounded (never fused),
// so a result is what numpy's `x * scale + offset` gives. A NaN result
// (inf * 0, inf - inf) is missing.
class Scale final : public UnaryOperator<Scale> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Scale>, schema::outputs_param<Scale>,
                      schema::RealParam<&Scale::scale>{{"scale"}, 1.0, schema::Repr::Shown},
                      schema::RealParam<&Scale::offset>{{"offset"}, 0.0, schema::Repr::Shown}};
  }
  static constexpr auto kDocs = schema::operator_docs(
      "Affine map: x * scale + offset.",
      "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or the result is ``NaN``.");

  static Result<Scale> create(Names inputs, Names outputs, double scale, double offset);

  [[nodiscard]] double compute(double a) const noexcept { return a * scale_ + offset_; }

  [[nodiscard]] double scale() const noexcept { return scale_; }
  [[nodiscard]] double offset() const noexcept { return offset_; }

 private:
  Scale(Names inputs, Names outputs, double scale, double offset)
      : UnaryOperator(std::move(inputs), std::move(outputs)), scale_(scale), offset_(offset) {}

  double scale_;
  double offset_;
};

}  // namespace zerak
