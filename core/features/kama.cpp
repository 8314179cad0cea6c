#include "kama.hpp"

#include <cmath>
#include <utility>

#include "../block/block_sums.hpp"

namespace zerak {

Result<Kama> Kama::create(Names inputs, std::size_t window, Names outputs, std::size_t fast,
                          std::size_t slow) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (window == 0) return invalid_input("window must be >= 1");
  if (fast == 0) return invalid_input("fast must be >= 1");
  if (slow <= fast) return invalid_input("slow must be > fast");
  return Kama(std::move(inputs), window, std::move(outputs), fast, slow);
}

Kama::Kama(Names inputs, std::size_t window, Names outputs, std::size_t fast, std::size_t slow)
    : TransformBase(std::move(inputs), std::move(outputs)),
      prices_(ring_capacity(window, 1)),
      window_(window),
      fast_(fast),
      slow_(slow),
      fast_constant_(2.0 / (static_cast<double>(fast) + 1.0)),
      slow_constant_(2.0 / (static_cast<double>(slow) + 1.0)) {}

void Kama::reset() {
  current_.reset();
  prices_.clear();
}

OutputRow Kama::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  prices_.push(values[0]);
  if (!prices_.full()) return {kMissing};

  double volatility = 0.0;
  const Value* previous = nullptr;
  for (const auto part : {prices_.first(), prices_.second()}) {
    for (const Value& p : part) {
      if (!p) {
        current_.reset();
        return {kMissing};
      }
      if (previous) volatility += std::fabs(*p - **previous);
      previous = &p;
    }
  }
  const double newest = *prices_.newest();
  const double change = std::fabs(newest - *prices_.oldest());
  // `volatility > 0` is false for NaN too: such a window counts as no trend.
  const double er = volatility > 0.0 ? change / volatility : 0.0;
  double sc = (fast_constant_ - slow_constant_) * er + slow_constant_;
  sc = sc * sc;
  const double prev = current_ ? *current_ : *prices_[window_ - 1];
  current_ = sc * (newest - prev) + prev;
  return {current_};
}

void Kama::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                        std::size_t bars) {
  if (inputs.empty() || outputs.empty()) return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  const std::size_t held = prices_.size();
  BlockSeries p;
  p.assign(held, [this](std::size_t i) { return prices_[i]; }, bars,
           [in](std::size_t i) { return in[i]; });
  // The volatility of the window ending at price e is 0.0 + |p[e-w+1] - p[e-w]|
  // + ... + |p[e] - p[e-1]|: a window sum over the changes, entry k of which
  // is the change into price k (entry 0 has none and is never summed).
  BlockSeries changes;
  changes.assign(p.size(), [&p](std::size_t k) {
    return k == 0 ? Value(0.0) : Value(std::fabs(p[k] - p[k - 1]));
  }, 0, [](std::size_t) { return kMissing; });
  const std::size_t span = window_ + 1;
  const std::size_t first = first_complete(held, span);
  std::vector<double> volatility(first < bars ? bars - first : 0);
  if (!volatility.empty()) {
    // Bar i's prices are [held + i - window, held + i]; its changes start one later.
    simd::kernels().sums(changes.data() + held + first + 1 - window_, window_, volatility.size(),
                         volatility.data());
  }
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    prices_.push(in[i]);
    if (i < first) {
      out[i] = kMissing;
      continue;
    }
    const std::size_t e = held + i;
    if (p.missing(e + 1 - span, e + 1) != 0) {
      current_.reset();
      out[i] = kMissing;
      continue;
    }
    const double vol = volatility[i - first];
    const double newest = p[e];
    const double change = std::fabs(newest - p[e - window_]);
    const double er = vol > 0.0 ? change / vol : 0.0;
    double sc = (fast_constant_ - slow_constant_) * er + slow_constant_;
    sc = sc * sc;
    const double prev = current_ ? *current_ : p[e - 1];
    current_ = sc * (newest - prev) + prev;
    out[i] = current_;
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
