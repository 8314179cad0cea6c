#include "bollinger_bands.hpp"

#include <cmath>
#include <utility>

#include "block/block_series.hpp"
#include "features/ring_block.hpp"
#include "block/lane_moments.hpp"
#include "ops/moments.hpp"
#include "window/window_sums.hpp"

namespace zerak {
namespace {

// The three bands from a window's mean and centred sum of squares.
void bands(double mean, double squares, double n, double up, double down, Value& upper,
           Value& middle, Value& lower) noexcept {
  const double sd = std::sqrt(squares / n);
  upper = mean + up * sd;
  middle = mean;
  lower = mean - down * sd;
}

}  // namespace

Result<BollingerBands> BollingerBands::create(Names inputs, std::size_t window, Names outputs,
                                              double nbdevup, double nbdevdn) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.size() != 3) {
    return invalid_input("outputs must contain exactly 3 names: [upper, middle, lower]");
  }
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (!std::isfinite(nbdevup)) return invalid_input("nbdevup must be finite");
  if (!std::isfinite(nbdevdn)) return invalid_input("nbdevdn must be finite");
  return BollingerBands(std::move(inputs), window, std::move(outputs), nbdevup, nbdevdn);
}

BollingerBands::BollingerBands(Names inputs, std::size_t window, Names outputs, double nbdevup,
                               double nbdevdn)
    : TransformBase(std::move(inputs), std::move(outputs)),
      ring_(window),
      window_(window),
      nbdevup_(nbdevup),
      nbdevdn_(nbdevdn) {}

OutputRow BollingerBands::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing, kMissing, kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing, kMissing, kMissing};
  const Value sum = sum_oldest_first(ring_);
  if (!sum) return {kMissing, kMissing, kMissing};
  const double n = static_cast<double>(window_);
  const double mean = ops::window_mean(*sum, n);
  // Equal values have no spread, even where their mean rounds away from them.
  double squares = 0.0;
  if (!all_equal(ring_)) {
    ring_.for_each([&](const Value& v) { squares = steps::centered_square(squares, *v, mean); });
  }
  Value upper, middle, lower;
  bands(mean, squares, n, nbdevup_, nbdevdn_, upper, middle, lower);
  return {upper, middle, lower};
}

void BollingerBands::update_block(std::span<const Value* const> inputs,
                                  std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.empty() || outputs.size() < 3) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* in = inputs[0];
  RingBlock block(ring_, in, bars, window_, window_);
  const Lanes& lanes = block.lanes;
  const LaneMoments m = lane_moments(block.window(0), window_, lanes.count,
                                     [&](std::size_t j) { return !block.missing(j); });
  const double n = static_cast<double>(window_);
  ring_.push_many(in, bars);  // the block reads its own copy from here on
  for (std::size_t i = 0; i < bars; ++i) {
    const std::size_t j = i - lanes.first;
    if (i < lanes.first || !m.ok[j]) {
      outputs[0][i] = outputs[1][i] = outputs[2][i] = kMissing;
      continue;
    }
    const double squares = block.constant(j) ? 0.0 : m.sxx[j];
    bands(m.mean_x[j], squares, n, nbdevup_, nbdevdn_, outputs[0][i], outputs[1][i], outputs[2][i]);
  }
  fill_missing(outputs, 3, bars);
}

}  // namespace zerak
