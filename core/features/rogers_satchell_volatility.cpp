#include "rogers_satchell_volatility.hpp"

#include <cmath>

#include "../ops/moments.hpp"

namespace zerak {

Value RogersSatchellVolatility::term(const Value& high, const Value& low, const Value& open,
                                     const Value& close) noexcept {
  if (!high || !low || !open || !close) return kMissing;
  const double h = *high;
  const double l = *low;
  const double o = *open;
  const double c = *close;
  // Open and close are deliberately not checked against the range: a bar
  // outside it gives a term of any sign, and a negative mean is caught here.
  if (!(h > 0.0 && l > 0.0 && o > 0.0 && h >= l && c > 0.0)) return kMissing;
  return std::log(h / c) * std::log(h / o) + std::log(l / c) * std::log(l / o);
}

Value RogersSatchellVolatility::finish(double sum, double n) noexcept {
  const double mean = ops::window_mean(sum, n);
  return mean >= 0.0 ? Value(std::sqrt(mean)) : kMissing;
}

template class TermWindow<RogersSatchellVolatility>;

}  // namespace zerak
