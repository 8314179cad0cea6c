#include "skewness.hpp"

#include <utility>

#include "window_sums.hpp"

namespace zerak {

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
  const double n = static_cast<double>(window_);
  const double scale =
      n / (static_cast<double>(window_ - 1) * static_cast<double>(window_ - 2));
  return {scale * s3};
}

}  // namespace zerak
