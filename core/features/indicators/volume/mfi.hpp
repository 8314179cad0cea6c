#pragma once

#include <cstddef>
#include <tuple>
#include <utility>

#include "ops/volume_steps.hpp"
#include "volume_ratio_window.hpp"

namespace zerak {

// Money flow index over `window` typical-price changes: 100 * positive flow /
// (positive + negative flow), where a bar's flow (H + L + C) / 3 * V is
// positive when its typical price rose from the bar before, negative when it
// fell: decided on the exact sums H + L + C (volume_steps::typical_order),
// so that a flat typical price counts neither way. A window whose flows sum to less than 1 gives 0,
// as the common indicator library does.
class Mfi final : public VolumeRatioWindow<Mfi> {
 public:
  static constexpr auto state() {
    return std::tuple_cat(VolumeRatioWindow::state(),
                          std::tuple{schema::ValueState<&Mfi::typical_>{"previous typical price"},
                                     schema::AppendedValueState<&Mfi::high_>{{"previous high"}},
                                     schema::AppendedValueState<&Mfi::low_>{{"previous low"}},
                                     schema::AppendedValueState<&Mfi::close_>{{"previous close"}}});
  }
  static constexpr schema::Docs kDocs{
      .summary = "Money Flow Index (volume-weighted RSI of the typical price), 0 to 100.",
      .update =
          "Process one bar. Returns ``[NaN]`` during warm-up or while a ``NaN`` input "
          "is among the window's bars or the bar before them.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(4, "inputs must contain high, low, close, and volume columns"),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(2, msg::kWindowBelow2),
  };

  // The first change needs the bar before the window.
  [[nodiscard]] std::size_t warm_up_period() const override { return window_; }
  void reset() override {
    VolumeRatioWindow::reset();
    on_gap();
  }

  // A bar with a missing value leaves no bar before for the next change.
  void on_gap() noexcept {
    typical_.reset();
    high_.reset();
    low_.reset();
    close_.reset();
  }
  // (positive flow, negative flow) of the bar; missing without the bar before.
  std::pair<Value, Value> terms(const Value& h, const Value& l, const Value& c,
                                const Value& v) noexcept {
    const double tp = volume_steps::typical_price(*h, *l, *c);
    const Value before = typical_;
    const Value h0 = high_;
    const Value l0 = low_;
    const Value c0 = close_;
    typical_ = tp;
    high_ = h;
    low_ = l;
    close_ = c;
    if (!before) return {kMissing, kMissing};
    int order = 0;
    if (h0 && l0 && c0) {
      order = volume_steps::typical_order(*h, *l, *c, *h0, *l0, *c0);
    } else {  // restored from a snapshot that kept only the typical price
      const double change = tp - *before;
      order = (change > 0.0) - (change < 0.0);
    }
    const double flow = tp * *v;
    return {order > 0 ? flow : 0.0, order < 0 ? flow : 0.0};
  }
  static Value finish(double positive, double negative) noexcept {
    const double total = positive + negative;
    return total < 1.0 ? 0.0 : 100.0 * (positive / total);
  }

 private:
  friend class WindowFeature<Mfi>;
  using VolumeRatioWindow::VolumeRatioWindow;

  Value typical_;
  Value high_;  // the bar before's, for the exact comparison
  Value low_;
  Value close_;
};

extern template class VolumeRatioWindow<Mfi>;

}  // namespace zerak
