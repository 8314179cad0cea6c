#pragma once

#include <cstddef>
#include <span>
#include <tuple>
#include <utility>

#include "../block/moment_block.hpp"
#include "../ops/moments.hpp"
#include "../window/ring.hpp"
#include "../window/window_sums.hpp"
#include "window_feature.hpp"

namespace zerak {

// A standardized moment of the last `window` values, recomputed from the
// whole window on every bar: the sum of the standardized entries' kPower-th
// powers, then Derived's sample-size correction. Derived supplies
//   static constexpr ops::Power kPower;
//   struct Correction { explicit Correction(std::size_t window); double operator()(double) const; };
template <class Derived>
class StandardizedMoment : public WindowFeature<Derived> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&StandardizedMoment::buffer_>{"window values"}};
  }

  void reset() override { buffer_.clear(); }

  OutputRow update(std::span<const Value> values) override {
    if (values.empty()) return {kMissing};
    buffer_.push(values[0]);
    const auto sum = standardized_power_sum(buffer_, Derived::kPower);
    if (!sum) return {kMissing};
    return {typename Derived::Correction(this->window_)(*sum)};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (inputs.empty() || outputs.empty()) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    standardized_moment_block(buffer_, this->window_, Derived::kPower,
                              typename Derived::Correction(this->window_), inputs[0], outputs,
                              bars);
  }

 protected:
  StandardizedMoment(Names inputs, std::size_t window, Names outputs)
      : WindowFeature<Derived>(std::move(inputs), window, std::move(outputs)), buffer_(window) {}

  Ring buffer_;
};

}  // namespace zerak
