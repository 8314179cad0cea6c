#include "trima.hpp"

#include <algorithm>
#include <utility>

#include "ops/steps.hpp"

namespace zerak {

// The weights 1, 2, ..., 2, 1 sum to ceil(w / 2) * (floor(w / 2) + 1).
Trima::Trima(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      ring_(window),
      divisor_(static_cast<double>((window + 1) / 2) * static_cast<double>(window / 2 + 1)) {}

// The weight of the i-th value from the oldest is min(i + 1, window - i). The
// products are summed oldest first with a compensated sum: only each product's
// own rounding is left, so for values of one sign the result is within a few
// ulps of the exact weighted mean whatever the window.
OutputRow Trima::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing};
  double sum = 0.0;
  double comp = 0.0;
  std::size_t i = 0;
  for (const auto part : {ring_.first(), ring_.second()}) {
    for (const Value& v : part) {
      if (!v) return {kMissing};
      const double weight = static_cast<double>(std::min(i + 1, window_ - i));
      steps::compensated_sum(sum, comp, *v * weight);
      ++i;
    }
  }
  return {steps::compensated_total(sum, comp) / divisor_};
}

}  // namespace zerak
