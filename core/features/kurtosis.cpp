#include "kurtosis.hpp"

#include <utility>

#include "window_sums.hpp"

namespace zerak {

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
  const double n = static_cast<double>(window_);
  const double n1 = n + (-1.0);
  const double n2 = n + (-2.0);
  const double n3 = n + (-3.0);
  const double a = (n * (n + 1.0)) / ((n1 * n2) * n3);
  const double b = (3.0 * (n1 * n1)) / (n2 * n3);
  return {s4 * a - b};
}

}  // namespace zerak
