#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "../error.hpp"
#include "../window/ring.hpp"
#include "../scratch.hpp"
#include "../traits.hpp"
#include "correlation_method.hpp"
#include "../window/rank_correlation_window.hpp"
#include "../window/window_correlator.hpp"

namespace zerak {

// Rolling correlation of the first two inputs over the last `window` bars.
class Correlation final : public TransformBase<Correlation> {
 public:
  static Result<Correlation> create(Names inputs, std::size_t window, Names outputs,
                                    CorrelationMethod method = CorrelationMethod::Pearson);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 2; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] CorrelationMethod method() const noexcept { return kernel_.method(); }

  // Recomputes the rank method's counts from the two rings, the primary
  // state (after the rings were restored from elsewhere).
  void rebuild_from_window();

 private:
  template <class> friend struct snapshot::Codec;

  Correlation(Names inputs, std::size_t window, Names outputs, CorrelationMethod method);

  Ring x_;
  Ring y_;
  std::size_t window_;
  WindowCorrelator kernel_;
  std::optional<RankCorrelationWindow> ranked_;  // Spearman and Kendall
  ScratchArray<double> x_copy_;  // the windows as plain values, oldest first
  ScratchArray<double> y_copy_;
};

}  // namespace zerak
