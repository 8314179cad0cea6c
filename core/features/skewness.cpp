#include "skewness.hpp"

#include <utility>

#include "../block/moment_block.hpp"
#include "../window/window_sums.hpp"

namespace zerak {
namespace {

// G1 from the sum of the standardized cubes, with the sample-size
// correction n / ((n - 1)(n - 2)).
struct Adjusted {
  explicit Adjusted(std::size_t window) noexcept
      : scale(static_cast<double>(window) /
              (static_cast<double>(window - 1) * static_cast<double>(window - 2))) {}
  double operator()(double s3) const noexcept { return scale * s3; }
  double scale;
};

}  // namespace

Skewness::Skewness(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)), buffer_(window) {}

OutputRow Skewness::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  buffer_.push(values[0]);
  const auto s3 = standardized_power_sum(buffer_, ops::Power::Third);
  if (!s3) return {kMissing};
  return {Adjusted(window_)(*s3)};
}

void Skewness::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                           std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  standardized_moment_block(buffer_, window_, ops::Power::Third, Adjusted(window_), inputs[0],
                            outputs, bars);
}

}  // namespace zerak
