#include "mma.hpp"

#include <utility>

#include "../block/block_series.hpp"

namespace zerak {

Mma::Mma(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      ring_(window),
      sorted_(window) {}

void Mma::reset() {
  ring_.clear();
  sorted_.clear();
  missing_ = 0;
}

void Mma::rebuild_from_window() {
  sorted_.clear();
  missing_ = 0;
  ring_.for_each([this](const Value& v) {
    if (v) {
      sorted_.insert(*v);
    } else {
      ++missing_;
    }
  });
}

OutputRow Mma::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  const Value& in = values[0];
  if (ring_.full()) {
    const Value& out = ring_.oldest();
    if (out && in) {
      sorted_.replace(*out, *in);
    } else if (out) {
      sorted_.erase(*out);
      ++missing_;
    } else if (in) {
      sorted_.insert(*in);
      --missing_;
    }
  } else if (in) {
    sorted_.insert(*in);
  } else {
    ++missing_;
  }
  ring_.push(in);
  if (!ring_.full() || missing_ != 0) return {kMissing};
  // The median is a selected value (or the mean of two), so it is the one a
  // sort of the window gives.
  const std::size_t mid = window_ / 2;
  if (window_ % 2 == 1) return {sorted_[mid]};
  return {(sorted_[mid - 1] + sorted_[mid]) * 0.5};
}

// Bar by bar, without a call through the interface for each.
void Mma::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  for (std::size_t i = 0; i < bars; ++i) {
    outputs[0][i] = Mma::update(std::span<const Value>(inputs[0] + i, 1))[0];
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
