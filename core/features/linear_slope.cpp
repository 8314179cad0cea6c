#include "linear_slope.hpp"

#include <utility>

namespace zerak {

Result<LinearSlope> LinearSlope::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.size() < 2) return invalid_input("inputs must contain x and y columns");
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (outputs.size() != 2) {
    return invalid_input("outputs must contain exactly 2 names: [slope, r2]");
  }
  return LinearSlope(std::move(inputs), window, std::move(outputs));
}

LinearSlope::LinearSlope(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), pairs_(window) {}

OutputRow LinearSlope::update(std::span<const Value> values) {
  if (values.size() < 2) return {kMissing, kMissing};
  pairs_.push(Pair{values[0], values[1]});
  if (!pairs_.full()) return {kMissing, kMissing};

  double sum_x = 0.0;
  double sum_y = 0.0;
  bool constant_x = true;
  const double first_x = pairs_.oldest().x.value_or(0.0);
  for (const auto part : {pairs_.first(), pairs_.second()}) {
    for (const Pair& p : part) {
      if (!p.x || !p.y) return {kMissing, kMissing};
      sum_x += *p.x;
      sum_y += *p.y;
      constant_x = constant_x && *p.x == first_x;
    }
  }
  // Identical x values leave no slope to fit, even when their mean rounds
  // away from them and Sxx comes out as a tiny positive number.
  if (constant_x) return {kMissing, kMissing};
  const double n = static_cast<double>(window_);
  const double mean_x = sum_x / n;
  const double mean_y = sum_y / n;

  double sxx = 0.0;
  double sxy = 0.0;
  double syy = 0.0;
  for (const auto part : {pairs_.first(), pairs_.second()}) {
    for (const Pair& p : part) {
      const double dx = *p.x - mean_x;
      const double dy = *p.y - mean_y;
      sxx += dx * dx;
      sxy += dx * dy;
      syy += dy * dy;
    }
  }
  if (sxx == 0.0) return {kMissing, kMissing};
  const double slope = sxy / sxx;
  const Value r2 = syy != 0.0 ? Value((sxy * sxy) / (syy * sxx)) : kMissing;
  return {slope, r2};
}

}  // namespace zerak
