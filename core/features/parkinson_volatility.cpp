#include "parkinson_volatility.hpp"

#include <cmath>

#include "../ops/moments.hpp"

namespace zerak {
namespace {

// 4 ln 2, spelled out so that every build divides by the same double.
constexpr double kFourLn2 = 2.772588722239781;

}  // namespace

Value ParkinsonVolatility::term(const Value& high, const Value& low) noexcept {
  if (!high || !low) return kMissing;
  const double h = *high;
  const double l = *low;
  // Written as positive tests so that a NaN price fails them.
  if (!(h > 0.0 && l > 0.0 && h >= l)) return kMissing;
  const double r = std::log(h / l);
  return r * r;
}

Value ParkinsonVolatility::finish(double sum, double n) noexcept {
  return std::sqrt(ops::window_mean(sum, n) / kFourLn2);
}

template class TermWindow<ParkinsonVolatility>;

}  // namespace zerak
