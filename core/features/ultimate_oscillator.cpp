#include "ultimate_oscillator.hpp"

#include <algorithm>
#include <utility>

#include "../block/block_series.hpp"
#include "../ops/range_smoothing.hpp"
#include "../ops/steps.hpp"
#include "range_indicator.hpp"

namespace zerak {

Result<UltimateOscillator> UltimateOscillator::create(Names inputs, Names outputs,
                                                      std::size_t timeperiod1,
                                                      std::size_t timeperiod2,
                                                      std::size_t timeperiod3) {
  if (inputs.size() < 3) return invalid_input(range::kHighLowClose);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (timeperiod1 == 0) return invalid_input("timeperiod1 must be >= 1");
  if (timeperiod2 == 0) return invalid_input("timeperiod2 must be >= 1");
  if (timeperiod3 == 0) return invalid_input("timeperiod3 must be >= 1");
  return UltimateOscillator(std::move(inputs), std::move(outputs), timeperiod1, timeperiod2,
                            timeperiod3);
}

UltimateOscillator::UltimateOscillator(Names inputs, Names outputs, std::size_t timeperiod1,
                                       std::size_t timeperiod2, std::size_t timeperiod3)
    : TransformBase(std::move(inputs), std::move(outputs)),
      pressure_(std::max({timeperiod1, timeperiod2, timeperiod3})),
      ranges_(std::max({timeperiod1, timeperiod2, timeperiod3})),
      given_{timeperiod1, timeperiod2, timeperiod3} {
  std::size_t sorted[3] = {timeperiod1, timeperiod2, timeperiod3};
  std::sort(sorted, sorted + 3);
  shortest_ = sorted[0];
  middle_ = sorted[1];
  longest_ = sorted[2];
}

void UltimateOscillator::reset() {
  prev_close_.reset();
  pressure_.clear();
  ranges_.clear();
}

Value UltimateOscillator::step(const Value& high, const Value& low,
                               const Value& close) noexcept {
  const bool usable = range::usable(high) && range::usable(low) && range::usable(close);
  const Value prev = prev_close_;
  prev_close_ = usable ? close : kMissing;
  if (!usable || !prev) {
    pressure_.push(kMissing);
    ranges_.push(kMissing);
    return kMissing;
  }
  const double true_low = *low < *prev ? *low : *prev;
  pressure_.push(*close - true_low);
  ranges_.push(range::true_range(*high, *low, *prev));
  if (!pressure_.full()) return kMissing;

  // One pass, oldest first; each window's sums start from 0.0 at its own oldest bar.
  const std::size_t from_middle = longest_ - middle_;
  const std::size_t from_shortest = longest_ - shortest_;
  double a1 = 0.0, b1 = 0.0, a2 = 0.0, b2 = 0.0, a3 = 0.0, b3 = 0.0;
  for (std::size_t k = 0; k < longest_; ++k) {
    const Value& a = pressure_[k];
    const Value& r = ranges_[k];
    if (!a || !r) return kMissing;
    const double b = *r;
    a3 = steps::sum(a3, *a);
    b3 = steps::sum(b3, b);
    if (k >= from_middle) {
      a2 = steps::sum(a2, *a);
      b2 = steps::sum(b2, b);
    }
    if (k >= from_shortest) {
      a1 = steps::sum(a1, *a);
      b1 = steps::sum(b1, b);
    }
  }
  double out = 0.0;
  if (b1 != 0.0) out += 4.0 * (a1 / b1);
  if (b2 != 0.0) out += 2.0 * (a2 / b2);
  if (b3 != 0.0) out += a3 / b3;
  return 100.0 * (out / 7.0);
}

OutputRow UltimateOscillator::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing};
  return {step(values[0], values[1], values[2])};
}

void UltimateOscillator::update_block(std::span<const Value* const> inputs,
                                      std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < 3 || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* h = inputs[0];
  const Value* l = inputs[1];
  const Value* c = inputs[2];
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) out[i] = step(h[i], l[i], c[i]);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
