#include "future_return.hpp"

#include "tools/pairwise.hpp"

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
  const std::size_t n = close.size();
  // Pairs close[i] with close[i + horizon], the shifted series read in place;
  // the last `horizon` bars have no partner.
  const std::size_t paired = horizon_ < n ? n - horizon_ : 0;
  std::vector<Value> label;
  label.reserve(n);
  tools::pairwise_into(label, close.first(paired), close.subspan(n - paired), tools::simple_return);
  label.resize(n, kMissing);
  std::vector<std::vector<Value>> out;
  out.push_back(std::move(label));
  return out;
}

}  // namespace zerak
