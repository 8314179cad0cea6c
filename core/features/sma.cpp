#include "sma.hpp"

#include <utility>

#include "../ops/window.hpp"

namespace zerak {

Result<Sma> Sma::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (window == 0) return invalid_input(msg::kWindowZero);
  return Sma(std::move(inputs), window, std::move(outputs));
}

Sma::Sma(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), ring_(window) {}

OutputRow Sma::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing};
  const Value sum = sum_oldest_first(ring_);
  if (!sum) return {kMissing};
  return {*sum / static_cast<double>(window_)};
}

}  // namespace zerak
