#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <tuple>
#include <utility>

#include "block/moment_block.hpp"
#include "ops/accurate_moments.hpp"
#include "ops/moments.hpp"
#include "window/ring.hpp"
#include "window/window_sums.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// A standardized moment of the last `window` values, recomputed from the
// whole window on every bar: the sum of the standardized entries' kPower-th
// powers, then Derived's sample-size correction. Derived supplies
//   static constexpr ops::Power kPower;
//   struct Correction { explicit Correction(std::size_t window); double operator()(double) const;
//   };
//
// With accurate=True every window is recomputed about its mean carried to
// about twice a double's precision (ops/accurate_moments.hpp): slower, and
// accurate far from zero, where the default's rounded mean is not.
template <class Derived>
class StandardizedMoment : public WindowFeature<Derived> {
 public:
  static constexpr auto parameters() {
    return std::tuple_cat(
        schema::window_parameters<Derived>(),
        std::tuple{schema::AppendedFlagParam<&Derived::accurate>{"accurate", false}});
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&StandardizedMoment::buffer_>{"window values"}};
  }

  static Result<Derived> create(Names inputs, std::size_t window, Names outputs,
                                bool accurate = false) {
    Result<Derived> built =
        WindowFeature<Derived>::create(std::move(inputs), window, std::move(outputs));
    if (built) built.value().accurate_ = accurate;
    return built;
  }

  [[nodiscard]] bool accurate() const noexcept { return accurate_; }

  void reset() override { buffer_.clear(); }

  OutputRow update(std::span<const Value> values) override {
    if (values.empty()) return {kMissing};
    buffer_.push(values[0]);
    const auto sum = accurate_ ? accurate_sum() : standardized_power_sum(buffer_, Derived::kPower);
    if (!sum) return {kMissing};
    return {typename Derived::Correction(this->window_)(*sum)};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (inputs.empty() || outputs.empty()) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    if (accurate_) {
      accurate_moment_block(buffer_, this->window_, Derived::kPower,
                            typename Derived::Correction(this->window_), inputs[0], outputs, bars);
      return;
    }
    standardized_moment_block(buffer_, this->window_, Derived::kPower,
                              typename Derived::Correction(this->window_), inputs[0], outputs,
                              bars);
  }

 protected:
  StandardizedMoment(Names inputs, std::size_t window, Names outputs)
      : WindowFeature<Derived>(std::move(inputs), window, std::move(outputs)), buffer_(window) {}

  Ring buffer_;
  bool accurate_ = false;

 private:
  [[nodiscard]] std::optional<double> accurate_sum() const noexcept {
    if (!buffer_.full() || !sum_oldest_first(buffer_) || all_equal(buffer_)) return std::nullopt;
    const Value sum = ops::accurate::standardized_power_sum(
        this->window_, Derived::kPower,
        [this](auto&& f) { buffer_.for_each([&f](const Value& v) { f(*v); }); });
    return sum ? std::optional<double>(*sum) : std::nullopt;
  }
};

}  // namespace zerak
