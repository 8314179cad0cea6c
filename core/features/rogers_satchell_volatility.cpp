#include "rogers_satchell_volatility.hpp"

#include <cmath>
#include <utility>

#include "../block/block_sums.hpp"
#include "../ops/moments.hpp"
#include "../window/window_sums.hpp"

namespace zerak {
namespace {

// The volatility from the sum of a window's n terms: none for a negative (or
// NaN) mean, which bars outside their range can give.
Value volatility(double sum, double n) noexcept {
  const double mean = ops::window_mean(sum, n);
  return mean >= 0.0 ? Value(std::sqrt(mean)) : kMissing;
}

}  // namespace

Result<RogersSatchellVolatility> RogersSatchellVolatility::create(Names inputs,
                                                                  std::size_t window,
                                                                  Names outputs) {
  if (inputs.size() < 4) {
    return invalid_input("inputs must contain high, low, open, and close columns");
  }
  if (window == 0) return invalid_input(msg::kWindowZero);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  return RogersSatchellVolatility(std::move(inputs), window, std::move(outputs));
}

RogersSatchellVolatility::RogersSatchellVolatility(Names inputs, std::size_t window,
                                                   Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), terms_(window) {}

Value RogersSatchellVolatility::term(const Value& high, const Value& low, const Value& open,
                                     const Value& close) noexcept {
  if (!high || !low || !open || !close) return kMissing;
  const double h = *high;
  const double l = *low;
  const double o = *open;
  const double c = *close;
  // Open and close are deliberately not checked against the range: a bar
  // outside it gives a term of any sign, and a negative mean is caught later.
  if (!(h > 0.0 && l > 0.0 && o > 0.0 && h >= l && c > 0.0)) return kMissing;
  return std::log(h / c) * std::log(h / o) + std::log(l / c) * std::log(l / o);
}

OutputRow RogersSatchellVolatility::update(std::span<const Value> values) {
  if (values.size() < 4) return {kMissing};
  terms_.push(term(values[0], values[1], values[2], values[3]));
  if (!terms_.full()) return {kMissing};
  const Value sum = sum_oldest_first(terms_);
  if (!sum) return {kMissing};
  return {volatility(*sum, static_cast<double>(window_))};
}

void RogersSatchellVolatility::update_block(std::span<const Value* const> inputs,
                                            std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < 4 || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const double n = static_cast<double>(window_);
  window_sum_block(terms_, [&inputs](std::size_t i) {
    return term(inputs[0][i], inputs[1][i], inputs[2][i], inputs[3][i]);
  }, [n](double sum) { return volatility(sum, n); }, outputs, bars);
}

}  // namespace zerak
