#include "ultimate_oscillator.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "block/block_series.hpp"
#include "features/column_block.hpp"
#include "simd/dispatch.hpp"
#include "ops/range_smoothing.hpp"
#include "ops/steps.hpp"
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

namespace {

// The oscillator from the three windows' sums of buying pressure (a) and true
// range (b), shortest window first.
double oscillator(double a1, double b1, double a2, double b2, double a3, double b3) noexcept {
  double out = 0.0;
  if (b1 != 0.0) out += 4.0 * (a1 / b1);
  if (b2 != 0.0) out += 2.0 * (a2 / b2);
  if (b3 != 0.0) out += a3 / b3;
  return 100.0 * (out / 7.0);
}

}  // namespace

Value UltimateOscillator::step(const Value& high, const Value& low, const Value& close) noexcept {
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
  return oscillator(a1, b1, a2, b2, a3, b3);
}

OutputRow UltimateOscillator::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing};
  return {step(values[0], values[1], values[2])};
}

void UltimateOscillator::update_block(std::span<const Value* const> inputs,
                                      std::span<Value* const> outputs, std::size_t bars) {
  const auto run = [&](const Value* h, const Value* l, const Value* c, Value* out) {
    // The rings' terms then the block's, as step pushes them; then each of the
    // three windows summed in SIMD lanes, 0.0 + oldest + ... + newest, as step
    // sums them. Scratch per thread, reached once.
    const std::size_t held = pressure_.size();
    const std::size_t n = held + bars;
    const Lanes lanes = lanes_of(held, longest_, longest_, bars);
    thread_local std::vector<Value> term_storage;
    thread_local std::vector<double> sum_storage;
    if (term_storage.size() < 2 * n) term_storage.resize(2 * n);
    if (sum_storage.size() < 6 * lanes.count) sum_storage.resize(6 * lanes.count);
    Value* const pressure = term_storage.data();
    Value* const ranges = pressure + n;
    double* const sums = sum_storage.data();
    for (std::size_t i = 0; i < held; ++i) {
      pressure[i] = pressure_[i];
      ranges[i] = ranges_[i];
    }
    Value prev = prev_close_;
    for (std::size_t i = 0; i < bars; ++i) {
      const bool usable = range::usable(h[i]) && range::usable(l[i]) && range::usable(c[i]);
      if (usable && prev) {
        const double true_low = *l[i] < *prev ? *l[i] : *prev;
        pressure[held + i] = *c[i] - true_low;
        ranges[held + i] = range::true_range(*h[i], *l[i], *prev);
      } else {
        pressure[held + i] = kMissing;
        ranges[held + i] = kMissing;
      }
      prev = usable ? c[i] : kMissing;
    }
    prev_close_ = prev;

    std::fill_n(out, std::min(bars, lanes.first), kMissing);
    if (lanes.count != 0) {
      const simd::Kernels& k = simd::kernels();
      const std::size_t count = lanes.count;
      const std::size_t windows[3] = {shortest_, middle_, longest_};
      for (std::size_t w = 0; w < 3; ++w) {
        const std::size_t start = held + lanes.first + 1 - windows[w];
        k.sums(doubles(pressure) + start, windows[w], count, sums + 2 * w * count);
        k.sums(doubles(ranges) + start, windows[w], count, sums + (2 * w + 1) * count);
      }
      const double* a1 = sums;
      const double* b1 = a1 + count;
      const double* a2 = b1 + count;
      const double* b2 = a2 + count;
      const double* a3 = b2 + count;
      const double* b3 = a3 + count;
      // A missing term makes the sums of its longest window NaN; so can
      // infinite terms of both signs, which counting tells apart.
      std::size_t* missing = nullptr;  // missing[e]: terms missing among the first e
      if (k.any_nan(a3, count) || k.any_nan(b3, count)) {
        thread_local std::vector<std::size_t> missing_storage;
        missing_storage.resize(n + 1);
        missing = missing_storage.data();
        missing[0] = 0;
        for (std::size_t e = 0; e < n; ++e) {
          missing[e + 1] = missing[e] + (!pressure[e] || !ranges[e] ? 1 : 0);
        }
      }
      for (std::size_t j = 0; j < count; ++j) {
        const std::size_t end = held + lanes.first + j + 1;
        if (missing != nullptr && missing[end] != missing[end - longest_]) {
          out[lanes.first + j] = kMissing;
        } else {
          out[lanes.first + j] = oscillator(a1[j], b1[j], a2[j], b2[j], a3[j], b3[j]);
        }
      }
    }
    pressure_.push_many(pressure + held, bars);
    ranges_.push_many(ranges + held, bars);
  };
  column_block<3>(*this, inputs, outputs, bars, run);
}

}  // namespace zerak
