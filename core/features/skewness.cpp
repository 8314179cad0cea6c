#include "skewness.hpp"

#include <utility>

#include "moment_block.hpp"
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

void Skewness::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                            std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  const std::size_t held = buffer_.size();
  BlockSeries s;
  s.assign(held, [this](std::size_t i) { return buffer_[i]; }, bars,
           [in](std::size_t i) { return in[i]; });
  const MomentLanes m = standardize_block(s, held, window_, bars);
  std::vector<double> sums(m.count());
  if (m.count() != 0) {
    simd::kernels().standardized_cubes(s.data() + m.start, window_, m.count(), m.mean.data(), m.sd.data(),
                           sums.data());
  }
  const double n = static_cast<double>(window_);
  const double scale =
      n / (static_cast<double>(window_ - 1) * static_cast<double>(window_ - 2));
  const auto finish = [scale](double s3) { return scale * s3; };
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    out[i] = i >= m.first && m.ok[i - m.first] ? Value(finish(sums[i - m.first])) : kMissing;
    buffer_.push(in[i]);
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
