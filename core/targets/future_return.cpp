#include "future_return.hpp"

#include "../tools/pairwise.hpp"
#include "../tools/shift.hpp"

namespace zerak {

Result<FutureReturn> FutureReturn::create(Names inputs, std::size_t horizon, Names outputs) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (horizon == 0) return invalid_input("horizon must be > 0");
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  return FutureReturn(std::move(inputs), horizon, std::move(outputs));
}

std::vector<std::vector<Value>> FutureReturn::run_research(
    std::span<const std::span<const Value>> columns) const {
  const std::span<const Value> close = column(columns, 0);
  const std::vector<Value> ahead = tools::shift_ahead(close, horizon_);
  std::vector<std::vector<Value>> out;
  out.push_back(tools::pairwise(close, ahead, tools::simple_return));
  return out;
}

}  // namespace zerak
