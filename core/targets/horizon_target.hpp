#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "traits.hpp"

namespace zerak {

// A target labelling bar i from the `horizon` bars that follow it.
template <class Derived>
class HorizonTarget : public TargetBase<Derived> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Derived>,
                      schema::SizeParam<&HorizonTarget::horizon>{"horizon"},
                      schema::outputs_param<Derived>};
  }

  [[nodiscard]] std::size_t horizon() const noexcept { return horizon_; }
  [[nodiscard]] std::size_t forward_period() const override { return horizon_; }

 protected:
  HorizonTarget(Names inputs, std::size_t horizon, Names outputs)
      : TargetBase<Derived>(std::move(inputs), std::move(outputs)), horizon_(horizon) {}

  // Input column k, or an empty series when the caller handed fewer columns.
  static std::span<const Value> column(std::span<const std::span<const Value>> columns,
                                       std::size_t k) noexcept {
    return k < columns.size() ? columns[k] : std::span<const Value>{};
  }

  std::size_t horizon_;
};

}  // namespace zerak
