#pragma once

#include <cstddef>
#include <span>

#include "error.hpp"
#include "window/ring.hpp"
#include "traits.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Arithmetic mean of the last `window` values, summed afresh on every bar.
class Sma final : public WindowFeature<Sma> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Sma::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{"Simple Moving Average over a rolling window."};

  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  // Windows are summed where they lie; missing terms are counted in one copy.
  [[nodiscard]] bool reads_lent_columns() const noexcept override { return true; }

 private:
  friend class WindowFeature<Sma>;

  Sma(Names inputs, std::size_t window, Names outputs);

  Ring ring_;
};

}  // namespace zerak
