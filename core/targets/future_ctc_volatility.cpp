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
  const std::vector<Value> prev = tools::shift(close, 1);
  const std::vector<Value> returns = tools::pairwise(prev, close, tools::log_return);
  // vol[j] covers returns[j - horizon + 1 .. j]; bar i takes the window that
  // ends horizon bars later, i.e. the moves from close[i] to close[i + horizon].
  const std::vector<Value> vol = tools::rolling_std(returns, horizon_);
  std::vector<std::vector<Value>> out;
  out.push_back(tools::shift_ahead(vol, horizon_));
  return out;
}

}  // namespace zerak
