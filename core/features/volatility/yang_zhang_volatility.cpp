#include "ops/log.hpp"
#include "yang_zhang_volatility.hpp"

#include <cmath>
#include <utility>
#include <vector>

#include "block/block_series.hpp"
#include "simd/dispatch.hpp"
#include "ops/moments.hpp"
#include "ops/steps.hpp"
#include "window/window_sums.hpp"

namespace zerak {
namespace {

// Squares about the mean of a window of present values, oldest first, as the
// block kernel's centered_squares takes them.
double centered_squares(const Ring& ring, double mean) noexcept {
  double squares = 0.0;
  ring.for_each([&](const Value& v) { squares = steps::centered_square(squares, *v, mean); });
  return squares;
}

Value root(double variance) noexcept {
  return variance >= 0.0 ? Value(std::sqrt(variance)) : kMissing;
}

}  // namespace

YangZhangVolatility::YangZhangVolatility(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      overnight_(window),
      body_(window),
      range_(window) {
  const double n = static_cast<double>(window);
  k_ = 0.34 / (1.34 + (n + 1.0) / (n - 1.0));
}

YangZhangVolatility::Terms YangZhangVolatility::terms(const Value& open, const Value& high,
                                                      const Value& low,
                                                      const Value& close) noexcept {
  const Value before = close_;
  close_ = close;
  // Positive tests, so that a NaN price fails them.
  if (!(open && high && low && close && before && *open > 0.0 && *high > 0.0 && *low > 0.0 &&
        *close > 0.0 && *before > 0.0 && *high >= *low)) {
    return {kMissing, kMissing, kMissing};
  }
  const double o = *open;
  const double h = *high;
  const double l = *low;
  const double c = *close;
  return {ops::log(o / *before), ops::log(c / o),
          ops::log(h / c) * ops::log(h / o) + ops::log(l / c) * ops::log(l / o)};
}

double YangZhangVolatility::variance(double overnight_squares, double body_squares,
                                     double range_sum) const noexcept {
  const double n = static_cast<double>(window_);
  return overnight_squares / (n - 1.0) + k_ * (body_squares / (n - 1.0)) +
         (1.0 - k_) * ops::window_mean(range_sum, n);
}

OutputRow YangZhangVolatility::update(std::span<const Value> values) {
  if (values.size() < kValuesRead) return {kMissing};
  const Terms t = terms(values[0], values[1], values[2], values[3]);
  overnight_.push(t.overnight);
  body_.push(t.body);
  range_.push(t.range);
  if (!overnight_.full()) return {kMissing};
  const Value so = sum_oldest_first(overnight_);
  const Value sb = sum_oldest_first(body_);
  const Value sr = sum_oldest_first(range_);
  if (!so || !sb || !sr) return {kMissing};
  const double n = static_cast<double>(window_);
  return {root(variance(centered_squares(overnight_, ops::window_mean(*so, n)),
                        centered_squares(body_, ops::window_mean(*sb, n)), *sr))};
}

void YangZhangVolatility::update_block(std::span<const Value* const> inputs,
                                       std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.size() < kValuesRead || outputs.empty()) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  std::vector<Terms> t(bars);
  for (std::size_t i = 0; i < bars; ++i) {
    t[i] = terms(inputs[0][i], inputs[1][i], inputs[2][i], inputs[3][i]);
  }
  const std::size_t held = overnight_.size();
  const std::size_t w = window_;
  BlockSeries so;
  BlockSeries sb;
  BlockSeries sr;
  so.assign(
      held, [this](std::size_t i) { return overnight_[i]; }, bars,
      [&t](std::size_t i) { return t[i].overnight; });
  sb.assign(
      held, [this](std::size_t i) { return body_[i]; }, bars,
      [&t](std::size_t i) { return t[i].body; });
  sr.assign(
      held, [this](std::size_t i) { return range_[i]; }, bars,
      [&t](std::size_t i) { return t[i].range; });
  const Lanes lanes = lanes_of(held, w, w, bars);
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars && i < lanes.first; ++i) out[i] = kMissing;
  if (lanes.count != 0) {
    const simd::Kernels& k = simd::kernels();
    const std::size_t m = lanes.count;
    const double n = static_cast<double>(w);
    std::vector<double> work(5 * m);
    double* mean_o = work.data();
    double* mean_b = mean_o + m;
    double* squares_o = mean_b + m;
    double* squares_b = squares_o + m;
    double* sum_r = squares_b + m;
    const std::size_t s = lanes.start;
    k.sums(so.data() + s, w, m, mean_o);
    k.sums(sb.data() + s, w, m, mean_b);
    k.sums(sr.data() + s, w, m, sum_r);
    for (std::size_t j = 0; j < m; ++j) {
      mean_o[j] = ops::window_mean(mean_o[j], n);
      mean_b[j] = ops::window_mean(mean_b[j], n);
    }
    k.centered_squares(so.data() + s, w, m, mean_o, squares_o);
    k.centered_squares(sb.data() + s, w, m, mean_b, squares_b);
    for (std::size_t j = 0; j < m; ++j) {
      const std::size_t b = s + j;
      const bool gap = so.missing(b, b + w) + sb.missing(b, b + w) + sr.missing(b, b + w) != 0;
      out[lanes.first + j] = gap ? kMissing : root(variance(squares_o[j], squares_b[j], sum_r[j]));
    }
  }
  for (std::size_t i = 0; i < bars; ++i) {
    overnight_.push(t[i].overnight);
    body_.push(t[i].body);
    range_.push(t[i].range);
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
