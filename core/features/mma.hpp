#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../window/sorted_window.hpp"
#include "../window/ring.hpp"
#include "../traits.hpp"
#include "window_feature.hpp"

namespace zerak {

// Median of the last `window` values.
class Mma final : public WindowFeature<Mma> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Mma::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{"Median Moving Average over a rolling window."};

  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  // Recomputes the sorted values and the missing count from the ring, the
  // primary state (after the ring was restored from elsewhere).
  void rebuild_from_window();

 private:
  friend class WindowFeature<Mma>;

  Mma(Names inputs, std::size_t window, Names outputs);

  Ring ring_;
  SortedWindow sorted_;  // the ring's present values in order
  std::size_t missing_ = 0;  // missing entries in the ring
};

}  // namespace zerak
