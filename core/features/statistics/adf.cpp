#include "adf.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "block/block_series.hpp"
#include "features/ring_block.hpp"
#include "simd/dispatch.hpp"
#include "window/extremum_window.hpp"

namespace zerak {
namespace {

constexpr std::string_view kOutputsTwo =
    "outputs must contain exactly two names: [adf_stat, adf_pvalue]";

// Decimal text of 2 * lags + 3, exact even where that exceeds size_t.
std::string bound_text(std::size_t lags) {
  std::string digits = std::to_string(lags);
  int carry = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    const int v = 2 * (*it - '0') + carry;
    *it = static_cast<char>('0' + v % 10);
    carry = v / 10;
  }
  if (carry != 0) digits.insert(digits.begin(), static_cast<char>('0' + carry));
  return digits;
}

}  // namespace

std::size_t Adf::default_lags(std::size_t window) noexcept {
  const double lags = std::floor(12.0 * std::pow(static_cast<double>(window) / 100.0, 0.25));
  // 2^64 as a double: anything at or above it saturates.
  constexpr double kLimit = 18446744073709551616.0;
  if (lags >= kLimit) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(lags);
}

Result<Adf> Adf::create(Names inputs, std::size_t window, Names outputs,
                        std::optional<std::size_t> lags, Regression regression) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.size() != 2) return invalid_input(kOutputsTwo);
  if (window == 0) return invalid_input(msg::kWindowZero);
  const std::size_t resolved = lags ? *lags : default_lags(window);
  // 2 * lags + 3 would wrap for huge lags; such a bound exceeds every window.
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  if (resolved > (kMax - 3) / 2 || window <= 2 * resolved + 3) {
    return invalid_input("window (" + std::to_string(window) + ") must be > 3 + 2 * lags (" +
                         std::to_string(resolved) + ") = " + bound_text(resolved));
  }
  return Adf(std::move(inputs), window, std::move(outputs), resolved, regression);
}

Adf::Adf(Names inputs, std::size_t window, Names outputs, std::size_t lags, Regression regression)
    : TransformBase(std::move(inputs), std::move(outputs)),
      ring_(window),
      window_(window),
      lags_(lags),
      regression_(regression),
      workspace_(window, lags, regression) {}

OutputRow Adf::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing, kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing, kMissing};
  const std::optional<double> stat =
      ops::adf_stat(ring_.first(), ring_.second(), lags_, regression_, workspace_);
  if (!stat) return {kMissing, kMissing};
  return {*stat, ops::adf_pvalue(*stat, regression_)};
}

// The complete windows of a block are fitted side by side, one per lane, with
// the scalar fit's operations in its order; a window whose fit fails there
// (the scalar path would then refit it rescaled) takes the scalar path whole.
void Adf::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  const std::size_t n = window_;
  const std::size_t m = n - lags_ - 1;
  const std::size_t k = lags_ + (regression_ == Regression::Constant ? 2 : 3);
  // With no more rows than columns every fit is missing; the scalar path says so.
  if (inputs.empty() || outputs.size() < 2 || m <= k || k > simd::kAdfLaneMostColumns) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* in = inputs[0];
  const RingBlock block(ring_, in, bars, n, n);
  const Lanes& lanes = block.lanes;
  // The windows are fitted in whole vectors of the widest lanes: a short
  // block (the engine runs an expensive transform a few dozen bars at a time)
  // would otherwise fit its last few windows at narrow widths. The windows
  // past the last are fitted on zeros and ignored.
  const std::size_t padded =
      (lanes.count + simd::kMostLanes - 1) / simd::kMostLanes * simd::kMostLanes;
  std::vector<double> y;
  std::vector<double> dy;
  std::vector<double> fits;
  std::vector<unsigned char> ok;
  if (lanes.count != 0) {
    y.assign(padded + n - 1, 0.0);
    std::copy(block.window(0), block.window(0) + lanes.count + n - 1, y.begin());
    dy.resize(y.size() - 1);
    for (std::size_t t = 0; t < dy.size(); ++t) dy[t] = y[t + 1] - y[t];
    fits.resize(3 * padded);
    ok.resize(padded);
    lane_scratch_.resize(simd::adf_lane_doubles(lags_, k));
    simd::kernels().adf_fits(y.data(), dy.data(), n, lags_,
                             regression_ == Regression::ConstantTrend, padded, lane_scratch_.data(),
                             fits.data(), fits.data() + padded, fits.data() + 2 * padded,
                             ok.data());
  }
  for (std::size_t i = 0; i < bars; ++i) {
    Value* stat = outputs[0] + i;
    Value* pvalue = outputs[1] + i;
    *stat = kMissing;
    *pvalue = kMissing;
    if (i < lanes.first) continue;
    const std::size_t j = i - lanes.first;
    if (block.missing(j)) continue;
    std::optional<double> t;
    if (ok[j] != 0) {
      t = ops::adf_t_statistic(fits[j], fits[padded + j], fits[2 * padded + j], m, k);
    }
    if (!t) {
      t = ops::adf_stat_from_plain(std::span<const double>(y.data() + j, n), lags_, regression_,
                                   workspace_);
    }
    if (!t) continue;
    *stat = *t;
    *pvalue = ops::adf_pvalue(*t, regression_);
  }
  push_newest(ring_, in, bars);
  fill_missing(outputs, 2, bars);
}

}  // namespace zerak
