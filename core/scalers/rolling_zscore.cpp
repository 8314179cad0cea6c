#include "rolling_zscore.hpp"

#include <cmath>
#include <utility>

#include "../block/block_series.hpp"
#include "../window/window_sums.hpp"
#include "../block/simd/dispatch.hpp"

namespace zerak {
namespace {

// Whether every entry equals the oldest one (all are present here).
bool all_equal(const Ring& ring) noexcept {
  const double first = *ring.oldest();
  for (const auto part : {ring.first(), ring.second()}) {
    for (const Value& v : part) {
      if (*v != first) return false;
    }
  }
  return true;
}

}  // namespace

Result<RollingZScore> RollingZScore::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.size() != 1) return invalid_input(msg::kInputsExactly1);
  if (window < 2) return invalid_input("window must be >= 2 (need at least 2 values for std)");
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  return RollingZScore(std::move(inputs), window, std::move(outputs));
}

RollingZScore::RollingZScore(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), ring_(window), window_(window) {}

OutputRow RollingZScore::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  const Value x = values[0];
  ring_.push(x);
  if (!ring_.full()) return {kMissing};
  const Value sum = sum_oldest_first(ring_);
  if (!sum || !x) return {kMissing};
  // Equal values have no scale. Rounding in the mean can leave them a tiny
  // positive variance (three times 0.1 would score -0.816), so they are
  // caught before it; on varying data this stops at the second value.
  if (all_equal(ring_)) return {kMissing};
  const double n = static_cast<double>(window_);
  const double mean = *sum / n;
  double squares = 0.0;
  ring_.for_each([&](const Value& v) {
    const double d = *v - mean;
    squares += d * d;
  });
  const double variance = squares / (n - 1.0);
  // Also false for a NaN variance, or one that underflowed to zero.
  if (!(variance > 0.0)) return {kMissing};
  return {(*x - mean) / std::sqrt(variance)};
}

void RollingZScore::update_block(std::span<const Value* const> inputs,
                                 std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  const std::size_t held = ring_.size();
  BlockSeries s;
  s.assign(held, [this](std::size_t i) { return ring_[i]; }, bars,
           [in](std::size_t i) { return in[i]; });
  const std::size_t first = first_complete(held, window_);
  const std::size_t count = first < bars ? bars - first : 0;
  const std::size_t start = held + first + 1 - window_;
  std::vector<double> mean(count);
  std::vector<double> squares(count);
  std::vector<std::uint8_t> ok(count);
  const double n = static_cast<double>(window_);
  if (count != 0) {
    simd::kernels().sums(s.data() + start, window_, count, mean.data());
    for (std::size_t j = 0; j < count; ++j) {
      const std::size_t b = start + j;
      // The window includes x, so a missing x is a missing entry too.
      ok[j] = s.missing(b, b + window_) == 0 && !s.constant(b, b + window_);
      mean[j] = ok[j] ? mean[j] / n : 0.0;
    }
    simd::kernels().centered_squares(s.data() + start, window_, count, mean.data(), squares.data());
  }
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    ring_.push(in[i]);
    if (i < first || !ok[i - first]) {
      out[i] = kMissing;
      continue;
    }
    const std::size_t j = i - first;
    const double variance = squares[j] / (n - 1.0);
    out[i] = variance > 0.0 ? Value((*in[i] - mean[j]) / std::sqrt(variance)) : kMissing;
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
