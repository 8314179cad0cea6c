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

// Rolling correlation of the first two inputs over the last `window` bars.
class Correlation final : public TransformBase<Correlation> {
 public:
  static constexpr auto parameters() {
    return std::tuple_cat(
        schema::window_parameters<Correlation>(),
        std::tuple{correlation_method_param<&Correlation::method>,
                   schema::AppendedFlagParam<&Correlation::accurate>{"accurate", false}});
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Correlation::x_>{"x window"},
                      schema::RingState<&Correlation::y_>{"y window"}};
  }
  static constexpr schema::Docs kDocs{
      .summary =
          "Rolling pairwise correlation between two input series.\n\n"
          "Supports three methods:\n\n"
          "- ``'pearson'``: linear correlation, O(n) per bar. Suitable for live trading.\n"
          "- ``'spearman'``: rank correlation, O(n log n) per bar. Suitable for live trading.\n"
          "- ``'kendall'``: Kendall tau-b rank correlation, O(n^2) per bar. Prefer\n"
          "  small windows (window <= 30) for live trading.\n\n"
          "Returns ``NaN`` during warm-up or when either series is constant over the window.",
      .update =
          "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input,\n"
          "or when either series is constant over the window.",
  };

  static Result<Correlation> create(Names inputs, std::size_t window, Names outputs,
                                    CorrelationMethod method = CorrelationMethod::Pearson,
                                    bool accurate = false);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 2; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] CorrelationMethod method() const noexcept { return kernel_.method(); }
  // Pearson windows recomputed about means carried to twice a double's
  // precision (the rank methods' ranks are exact already).
  [[nodiscard]] bool accurate() const noexcept { return accurate_; }

  // Recomputes the rank method's counts from the two rings, the primary
  // state (after the rings were restored from elsewhere).
  void rebuild_from_window();
  // The two windows advance together.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return x_.size() != y_.size() ? "x and y windows of different lengths" : nullptr;
  }

 private:
  Correlation(Names inputs, std::size_t window, Names outputs, CorrelationMethod method,
              bool accurate);

  // Pearson's r of one complete window of plain values.
  [[nodiscard]] Value pearson_window(std::span<const double> x, std::span<const double> y) {
    return accurate_ ? ops::dense::accurate_pearson(x, y) : kernel_(x, y);
  }

  Ring x_;
  Ring y_;
  std::size_t window_;
  WindowCorrelator kernel_;
  std::optional<RankCorrelationWindow> ranked_;  // Spearman and Kendall
  ScratchArray<double> x_copy_;                  // the windows as plain values, oldest first
  ScratchArray<double> y_copy_;
  bool accurate_;
};

}  // namespace zerak
