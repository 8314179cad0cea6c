#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <utility>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// The update docs of the operators whose only missing case is a missing input.
inline constexpr const char* kInputMissingDoc =
    "Process one bar. Returns ``[NaN]`` if input is ``NaN``.";
inline constexpr const char* kEitherMissingDoc =
    "Process one bar. Returns ``[NaN]`` if either input is ``NaN``.";

// What every stateless operator of `kArity` inputs shares: its parameters
// `(inputs, outputs)`, their checks, and its one output beside which any
// further outputs stay missing.
template <class Derived, std::size_t kArity>
class OperatorBase : public TransformBase<Derived> {
  static_assert(kArity == 1 || kArity == 2);

 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Derived>, schema::outputs_param<Derived>};
  }

  static Result<Derived> create(Names inputs, Names outputs) {
    if (Status names = check_names(inputs, outputs); !names) return names.error();
    return Derived(std::move(inputs), std::move(outputs));
  }

  // Each value feeds arithmetic alone (read twice, it may change a number).
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

 protected:
  using TransformBase<Derived>::TransformBase;

  // The checks of `create`, for a class with parameters of its own.
  static Status check_names(const Names& inputs, const Names& outputs) {
    if (inputs.size() != kArity) {
      return invalid_input(kArity == 1 ? msg::kInputsExactly1 : msg::kInputsExactly2);
    }
    if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
    return ok_status();
  }

  static void leave_others_missing(std::span<Value* const> outputs, std::size_t bars) noexcept {
    for (std::size_t k = 1; k < outputs.size(); ++k) std::fill_n(outputs[k], bars, kMissing);
  }

  [[nodiscard]] const Derived& derived() const noexcept {
    return static_cast<const Derived&>(*this);
  }
};

}  // namespace zerak
