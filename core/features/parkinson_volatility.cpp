#include "parkinson_volatility.hpp"

#include <cmath>
#include <utility>

#include "../block/block_sums.hpp"
#include "../ops/moments.hpp"
#include "../window/window_sums.hpp"

namespace zerak {
namespace {

// 4 ln 2, spelled out so that every build divides by the same double.
constexpr double kFourLn2 = 2.772588722239781;

// The volatility from the sum of a window's n terms.
double volatility(double sum, double n) noexcept {
  return std::sqrt(ops::window_mean(sum, n) / kFourLn2);
}

}  // namespace

Result<ParkinsonVolatility> ParkinsonVolatility::create(Names inputs, std::size_t window,
                                                        Names outputs) {
  if (inputs.size() < 2) return invalid_input("inputs must contain high and low columns");
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (window == 0) return invalid_input(msg::kWindowZero);
  return ParkinsonVolatility(std::move(inputs), window, std::move(outputs));
}

ParkinsonVolatility::ParkinsonVolatility(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), terms_(window) {}

Value ParkinsonVolatility::term(const Value& high, const Value& low) noexcept {
  if (!high || !low) return kMissing;
  const double h = *high;
  const double l = *low;
  // Written as positive tests so that a NaN price fails them.
  if (!(h > 0.0 && l > 0.0 && h >= l)) return kMissing;
  const double r = std::log(h / l);
  return r * r;
}

OutputRow ParkinsonVolatility::update(std::span<const Value> values) {
  if (values.size() < 2) return {kMissing};
  terms_.push(term(values[0], values[1]));
  if (!terms_.full()) return {kMissing};
  const Value sum = sum_oldest_first(terms_);
  if (!sum) return {kMissing};
  return {volatility(*sum, static_cast<double>(window_))};
}

void ParkinsonVolatility::update_block(std::span<const Value* const> inputs,
                                       std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < 2 || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* high = inputs[0];
  const Value* low = inputs[1];
  const double n = static_cast<double>(window_);
  window_sum_block(terms_, [high, low](std::size_t i) { return term(high[i], low[i]); },
                   [n](double sum) { return Value(volatility(sum, n)); }, outputs, bars);
}

}  // namespace zerak
