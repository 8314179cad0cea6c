#include "kurtosis.hpp"

#include <utility>

#include "../block/moment_block.hpp"
#include "../window/window_sums.hpp"

namespace zerak {
namespace {

// G2 from the sum of the standardized fourth powers: s4 * a - b, with the
// sample-size corrections a and b.
struct Excess {
  explicit Excess(std::size_t window) noexcept {
    const double n = static_cast<double>(window);
    const double n1 = n + (-1.0);
    const double n2 = n + (-2.0);
    const double n3 = n + (-3.0);
    a = (n * (n + 1.0)) / ((n1 * n2) * n3);
    b = (3.0 * (n1 * n1)) / (n2 * n3);
  }
  double operator()(double s4) const noexcept { return s4 * a - b; }
  double a;
  double b;
};

}  // namespace

Kurtosis::Kurtosis(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)), buffer_(window) {}

OutputRow Kurtosis::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  buffer_.push(values[0]);
  const auto s4 = standardized_power_sum(buffer_, ops::Power::Fourth);
  if (!s4) return {kMissing};
  return {Excess(window_)(*s4)};
}

void Kurtosis::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                           std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  standardized_moment_block(buffer_, window_, ops::Power::Fourth, Excess(window_), inputs[0],
                            outputs, bars);
}

}  // namespace zerak
