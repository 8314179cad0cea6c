#include "future_ctc_volatility.hpp"

#include <cmath>

#include "block/block_series.hpp"
#include "block/lane_moments.hpp"
#include "tools/pairwise.hpp"
#include "tools/shift.hpp"

namespace zerak {

Result<FutureCTCVolatility> FutureCTCVolatility::create(Names inputs, std::size_t horizon,
                                                        Names outputs) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (horizon < 2)
    return invalid_input("horizon must be >= 2 (std_dev requires at least 2 log returns)");
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  return FutureCTCVolatility(std::move(inputs), horizon, std::move(outputs));
}

std::vector<std::vector<Value>> FutureCTCVolatility::run_research(
    std::span<const std::span<const Value>> columns) const {
  const std::span<const Value> close = column(columns, 0);
  const std::size_t n = close.size();
  // returns[j]: log return from close[j - 1] to close[j]; none for bar 0.
  std::vector<Value> returns;
  returns.reserve(n);
  if (n > 0) {
    returns.push_back(kMissing);
    tools::pairwise_into(returns, close.first(n - 1), close.subspan(1), tools::log_return);
  }
  // vol[j] covers returns[j - horizon + 1 .. j]: the sample standard
  // deviation, sums oldest first, one window per lane.
  std::vector<Value> vol(n, kMissing);
  const std::size_t h = horizon_;
  if (h <= n) {
    BlockSeries s;
    s.assign(
        0, [](std::size_t) { return kMissing; }, n,
        [&returns](std::size_t i) { return returns[i]; });
    const std::size_t starts = n - h + 1;
    const LaneMoments m =
        lane_moments(s.data(), h, starts, [&](std::size_t j) { return s.missing(j, j + h) == 0; });
    const double w = static_cast<double>(h);
    for (std::size_t j = 0; j < starts; ++j) {
      if (m.ok[j]) vol[j + h - 1] = std::sqrt(m.sxx[j] / (w - 1.0));
    }
  }
  // Bar i takes the window that ends horizon bars later, i.e. the moves from
  // close[i] to close[i + horizon].
  std::vector<std::vector<Value>> out;
  out.push_back(tools::shift_ahead(std::move(vol), h));
  return out;
}

}  // namespace zerak
