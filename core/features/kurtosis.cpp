#include "kurtosis.hpp"

#include <utility>

#include "../block/moment_block.hpp"
#include "../window/window_sums.hpp"

namespace zerak {
namespace {

// The excess kurtosis is s4 * a - b, with the sample-size corrections a and b.
struct Coefficients {
  double a;
  double b;
};

Coefficients coefficients(std::size_t window) {
  const double n = static_cast<double>(window);
  const double n1 = n + (-1.0);
  const double n2 = n + (-2.0);
  const double n3 = n + (-3.0);
  return {(n * (n + 1.0)) / ((n1 * n2) * n3), (3.0 * (n1 * n1)) / (n2 * n3)};
}

}  // namespace

Result<Kurtosis> Kurtosis::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (window < 4) return invalid_input("window must be >= 4");
  return Kurtosis(std::move(inputs), window, std::move(outputs));
}

Kurtosis::Kurtosis(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), buffer_(window) {}

OutputRow Kurtosis::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  buffer_.push(values[0]);
  const auto st = window_sums::standardizer(buffer_);
  if (!st) return {kMissing};
  const double s4 = window_sums::sum_of(buffer_, [&](double x) {
    const double z = (x - st->mean) / st->sd;
    return (z * z) * (z * z);
  });
  const Coefficients c = coefficients(window_);
  return {s4 * c.a - c.b};
}

void Kurtosis::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                           std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Coefficients c = coefficients(window_);
  standardized_moment_block(buffer_, window_, simd::kernels().standardized_fourths,
                            [c](double s4) { return s4 * c.a - c.b; }, inputs[0], outputs, bars);
}

}  // namespace zerak
