#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <utility>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// One check of a window feature's configuration, run by create in the order
// the class lists them: a count that must be at least (or exactly) `n`.
struct WindowCheck {
  enum class Of : unsigned char { Inputs, Window, Outputs };
  Of of;
  std::size_t n;
  bool exactly;
  std::string_view message;

  [[nodiscard]] constexpr bool passes(std::size_t inputs, std::size_t window,
                                      std::size_t outputs) const noexcept {
    const std::size_t count = of == Of::Inputs ? inputs : of == Of::Window ? window : outputs;
    return exactly ? count == n : count >= n;
  }
};

constexpr WindowCheck inputs_at_least(std::size_t n, std::string_view message) {
  return {WindowCheck::Of::Inputs, n, false, message};
}
constexpr WindowCheck inputs_exactly(std::size_t n, std::string_view message) {
  return {WindowCheck::Of::Inputs, n, true, message};
}
constexpr WindowCheck window_at_least(std::size_t n, std::string_view message) {
  return {WindowCheck::Of::Window, n, false, message};
}
constexpr WindowCheck outputs_at_least(std::size_t n, std::string_view message) {
  return {WindowCheck::Of::Outputs, n, false, message};
}
constexpr WindowCheck outputs_exactly(std::size_t n, std::string_view message) {
  return {WindowCheck::Of::Outputs, n, true, message};
}

// The checks of most window features: some input, some output, a window.
inline constexpr WindowCheck kWindowChecks[] = {
    inputs_at_least(1, msg::kInputsEmpty),
    outputs_at_least(1, msg::kOutputsEmpty),
    window_at_least(1, msg::kWindowZero),
};
// The same for a window of at least two bars.
inline constexpr WindowCheck kWindowOf2Checks[] = {
    inputs_at_least(1, msg::kInputsEmpty),
    outputs_at_least(1, msg::kOutputsEmpty),
    window_at_least(2, msg::kWindowBelow2),
};

// A feature over the last `window` bars, constructed as (inputs, window,
// outputs). Derived has a constructor Derived(Names inputs, std::size_t
// window, Names outputs) and may declare its own `kChecks` (the checks create
// runs, in order) and `kValuesRead` (how many inputs update reads).
template <class Derived>
class WindowFeature : public TransformBase<Derived> {
 public:
  static constexpr auto parameters() { return schema::window_parameters<Derived>(); }
  static constexpr std::span<const WindowCheck> kChecks = kWindowChecks;
  static constexpr std::size_t kValuesRead = 1;

  static Result<Derived> create(Names inputs, std::size_t window, Names outputs) {
    for (const WindowCheck& check : Derived::kChecks) {
      if (!check.passes(inputs.size(), window, outputs.size())) return invalid_input(check.message);
    }
    return Derived(std::move(inputs), window, std::move(outputs));
  }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return Derived::kValuesRead; }

 protected:
  WindowFeature(Names inputs, std::size_t window, Names outputs)
      : TransformBase<Derived>(std::move(inputs), std::move(outputs)), window_(window) {}

  std::size_t window_;
};

}  // namespace zerak
