#include "kama.hpp"

#include <cmath>
#include <utility>

#include "../ops/window.hpp"

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

}  // namespace zerak
