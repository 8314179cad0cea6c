#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "error.hpp"
#include "window/ring.hpp"
#include "scratch.hpp"
#include "traits.hpp"
#include "correlation_method.hpp"
#include "window/rank_correlation_window.hpp"
#include "window/window_correlator.hpp"

namespace zerak {

// Rolling correlation of one input with itself `lag` bars earlier, over
// windows of `window` bars.
class AutoCorrelation final : public TransformBase<AutoCorrelation> {
 public:
  static constexpr auto parameters() {
    return std::tuple_cat(schema::window_parameters<AutoCorrelation>(),
                          std::tuple{schema::SizeParam<&AutoCorrelation::lag>{"lag", 1},
                                     correlation_method_param<&AutoCorrelation::method>});
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&AutoCorrelation::buffer_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{
      .summary =
          "Rolling autocorrelation of a single series at a fixed lag.\n\n"
          "Computes the correlation between the current window ``x[t-window+1..t]``\n"
          "and the lagged window ``x[t-window+1-lag..t-lag]``. Supports the same\n"
          "three methods as ``Correlation``.\n\n"
          "Returns ``NaN`` during warm-up or when either sub-window is constant.",
      .update =
          "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input,\n"
          "or when either sub-window is constant.",
  };

  // A window + lag beyond the address space throws std::length_error, and one
  // that cannot be allocated std::bad_alloc, here rather than on a later bar.
  static Result<AutoCorrelation> create(Names inputs, std::size_t window, Names outputs,
                                        std::size_t lag = 1,
                                        CorrelationMethod method = CorrelationMethod::Pearson);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ + lag_ - 1; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t lag() const noexcept { return lag_; }
  [[nodiscard]] CorrelationMethod method() const noexcept { return kernel_.method(); }

  // Recomputes the rank method's counts from the buffer, the primary state
  // (after the buffer was restored from elsewhere).
  void rebuild_from_window();

 private:
  AutoCorrelation(Names inputs, std::size_t window, Names outputs, std::size_t lag,
                  CorrelationMethod method);

  Ring buffer_;  // window + lag bars
  std::size_t window_;
  std::size_t lag_;
  WindowCorrelator kernel_;
  // Spearman and Kendall: the pairs (x now, x `lag` bars earlier). Every
  // point of the window is a bar of one of the two slices, so the window is
  // complete exactly when its points are.
  std::optional<RankCorrelationWindow> ranked_;
  ScratchArray<double> copy_;  // the buffer as plain values, oldest first
};

}  // namespace zerak
