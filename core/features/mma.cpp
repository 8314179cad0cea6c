#include "mma.hpp"

#include <utility>

#include "../ops/stats.hpp"

namespace zerak {

Result<Mma> Mma::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (window == 0) return invalid_input(msg::kWindowZero);
  return Mma(std::move(inputs), window, std::move(outputs));
}

Mma::Mma(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), ring_(window) {}

OutputRow Mma::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing};
  scratch_.clear();
  for (const auto part : {ring_.first(), ring_.second()}) {
    for (const Value& v : part) {
      if (!v) return {kMissing};
      scratch_.push_back(*v);
    }
  }
  return {median_in_place(scratch_)};
}

}  // namespace zerak
