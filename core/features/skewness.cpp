#include "skewness.hpp"

#include <utility>

#include "../block/moment_block.hpp"
#include "../window/window_sums.hpp"

namespace zerak {
namespace {

// The sample-size correction n / ((n - 1)(n - 2)) of the adjusted skewness.
double scale(std::size_t window) {
  const double n = static_cast<double>(window);
  return n / (static_cast<double>(window - 1) * static_cast<double>(window - 2));
}

}  // namespace

Result<Skewness> Skewness::create(Names inputs, std::size_t window, Names outputs) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (window < 3) return invalid_input("window must be >= 3");
  return Skewness(std::move(inputs), window, std::move(outputs));
}

Skewness::Skewness(Names inputs, std::size_t window, Names outputs)
    : TransformBase(std::move(inputs), std::move(outputs)), window_(window), buffer_(window) {}

OutputRow Skewness::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  buffer_.push(values[0]);
  const auto st = window_sums::standardizer(buffer_);
  if (!st) return {kMissing};
  const double s3 = window_sums::sum_of(buffer_, [&](double x) {
    const double z = (x - st->mean) / st->sd;
    return (z * z) * z;
  });
  return {scale(window_) * s3};
}

void Skewness::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                           std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const double k = scale(window_);
  standardized_moment_block(buffer_, window_, simd::kernels().standardized_cubes,
                            [k](double s3) { return k * s3; }, inputs[0], outputs, bars);
}

}  // namespace zerak
