#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Linearly weighted moving average: weights 1 (oldest) to window (newest),
// the weighted sum recomputed on every bar (a running form drifts).
class Wma final : public WindowFeature<Wma> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Wma::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{"Weighted Moving Average with linear weights."};

  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

 private:
  friend class WindowFeature<Wma>;

  Wma(Names inputs, std::size_t window, Names outputs);

  Ring ring_;
  double divisor_;  // 1 + 2 + ... + window
};

}  // namespace zerak
