#include "future_ctc_volatility.hpp"

#include "../tools/pairwise.hpp"
#include "../tools/rolling.hpp"
#include "../tools/shift.hpp"

namespace zerak {

Result<FutureCTCVolatility> FutureCTCVolatility::create(Names inputs, std::size_t horizon,
                                                        Names outputs) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (horizon < 2) return invalid_input("horizon must be >= 2 (std_dev requires at least 2 log returns)");
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
  // vol[j] covers returns[j - horizon + 1 .. j]; bar i takes the window that
  // ends horizon bars later, i.e. the moves from close[i] to close[i + horizon].
  std::vector<std::vector<Value>> out;
  out.push_back(tools::shift_ahead(tools::rolling_std(returns, horizon_), horizon_));
  return out;
}

}  // namespace zerak
