#include "yang_zhang_volatility.hpp"

#include <cmath>
#include <optional>
#include <utility>

#include "../ops/moments.hpp"
#include "../ops/steps.hpp"
#include "../window/window_sums.hpp"

namespace zerak {
namespace {

// The sample variance of a window of present values: squares about the mean,
// oldest first, over n - 1.
double sample_variance(const Ring& ring, double sum, double n) noexcept {
  const double mean = ops::window_mean(sum, n);
  double squares = 0.0;
  ring.for_each([&](const Value& v) { squares = steps::centered_square(squares, *v, mean); });
  return squares / (n - 1.0);
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

OutputRow YangZhangVolatility::update(std::span<const Value> values) {
  if (values.size() < kValuesRead) return {kMissing};
  const Value& open = values[0];
  const Value& high = values[1];
  const Value& low = values[2];
  const Value& close = values[3];
  const Value before = close_;
  close_ = close;
  const bool usable = open && high && low && close && before && *open > 0.0 && *high > 0.0 &&
                      *low > 0.0 && *close > 0.0 && *before > 0.0 && *high >= *low;
  if (usable) {
    const double o = *open;
    const double h = *high;
    const double l = *low;
    const double c = *close;
    overnight_.push(std::log(o / *before));
    body_.push(std::log(c / o));
    range_.push(std::log(h / c) * std::log(h / o) + std::log(l / c) * std::log(l / o));
  } else {
    overnight_.push(kMissing);
    body_.push(kMissing);
    range_.push(kMissing);
  }
  if (!overnight_.full()) return {kMissing};
  const Value so = sum_oldest_first(overnight_);
  const Value sb = sum_oldest_first(body_);
  const Value sr = sum_oldest_first(range_);
  if (!so || !sb || !sr) return {kMissing};
  const double n = static_cast<double>(window_);
  const double variance = sample_variance(overnight_, *so, n) +
                          k_ * sample_variance(body_, *sb, n) +
                          (1.0 - k_) * ops::window_mean(*sr, n);
  return variance >= 0.0 ? OutputRow{std::sqrt(variance)} : OutputRow{kMissing};
}

}  // namespace zerak
