#include "kama.hpp"

#include <cmath>
#include <utility>

#include "block/block_series.hpp"
#include "simd/dispatch.hpp"
#include "ops/steps.hpp"

namespace zerak {
namespace {

// The change into a price: the volatility of a window sums them.
double change(double before, double after) noexcept { return std::fabs(after - before); }

}  // namespace

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

inline double Kama::next_average(double volatility, double oldest, double prev,
                                 double newest) const noexcept {
  // `volatility > 0` is false for NaN too: such a window counts as no trend.
  const double er = volatility > 0.0 ? change(oldest, newest) / volatility : 0.0;
  double sc = (fast_constant_ - slow_constant_) * er + slow_constant_;
  sc = sc * sc;
  return sc * (newest - prev) + prev;
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
      if (previous) volatility = steps::sum(volatility, change(**previous, *p));
      previous = &p;
    }
  }
  // Until there is an average, it starts from the price before the newest.
  current_ = next_average(volatility, *prices_.oldest(),
                          current_ ? *current_ : *prices_[window_ - 1], *prices_.newest());
  return {current_};
}

void Kama::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                        std::size_t bars) {
  if (inputs.empty() || outputs.empty())
    return StreamingTransform::update_block(inputs, outputs, bars);
  const Value* in = inputs[0];
  const std::size_t held = prices_.size();
  BlockSeries p;
  p.assign(
      held, [this](std::size_t i) { return prices_[i]; }, bars,
      [in](std::size_t i) { return in[i]; });
  // The volatility of the window ending at price e is 0.0 + change into
  // p[e-w+1] + ... + change into p[e]: a window sum over the changes, entry k
  // of which is the change into price k (entry 0 has none and is never summed).
  BlockSeries changes;
  changes.assign(
      p.size(), [&p](std::size_t k) { return k == 0 ? Value(0.0) : Value(change(p[k - 1], p[k])); },
      0, [](std::size_t) { return kMissing; });
  const std::size_t span = window_ + 1;
  // Bar i's prices are [held + i - window, held + i]; its changes start one later.
  const Lanes lanes = lanes_of(held, span, window_, bars);
  std::vector<double> volatility(lanes.count);
  if (lanes.count != 0) {
    simd::kernels().sums(changes.data() + lanes.start, window_, lanes.count, volatility.data());
  }
  // The average in locals (the output stores may alias the member), each
  // new one made a value as update makes it; the ring takes the block's
  // prices at the end, as pushing them one by one would leave it.
  Value* out = outputs[0];
  bool averaged = current_.has_value();
  double current = current_.value_or(0.0);
  for (std::size_t i = 0; i < bars; ++i) {
    if (i < lanes.first) {
      out[i] = kMissing;
      continue;
    }
    const std::size_t e = held + i;
    if (p.missing(e + 1 - span, e + 1) != 0) {
      averaged = false;
      out[i] = kMissing;
      continue;
    }
    const Value next = next_average(volatility[i - lanes.first], p[e - window_],
                                    averaged ? current : p[e - 1], p[e]);
    averaged = true;
    current = *next;
    out[i] = next;
  }
  if (averaged) {
    current_ = current;
  } else {
    current_.reset();
  }
  prices_.push_many(in, bars);
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
