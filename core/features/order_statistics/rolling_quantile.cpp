#include "rolling_quantile.hpp"

#include <utility>

namespace zerak {

Result<RollingQuantile> RollingQuantile::create(Names inputs, std::size_t window, Names outputs,
                                                double q) {
  for (const WindowCheck& check : kChecks) {
    if (!check.passes(inputs.size(), window, outputs.size())) return invalid_input(check.message);
  }
  if (!(q >= 0.0 && q <= 1.0)) return ZerakError::invalid_input("q must be in [0, 1]");
  return RollingQuantile(std::move(inputs), window, std::move(outputs), q);
}

RollingQuantile::RollingQuantile(Names inputs, std::size_t window, Names outputs, double q)
    : OrderStatisticFeature(std::move(inputs), window, std::move(outputs)), q_(q) {
  const double position = q * static_cast<double>(window - 1);
  // position <= window - 1, so the truncation fits and the upper neighbour
  // exists whenever the fraction is not zero.
  index_ = static_cast<std::size_t>(position);
  fraction_ = position - static_cast<double>(index_);
}

}  // namespace zerak
