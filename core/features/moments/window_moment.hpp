#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "block/block_series.hpp"
#include "block/block_sums.hpp"
#include "block/lane_moments.hpp"
#include "error.hpp"
#include "ops/moments.hpp"
#include "ops/steps.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "window_moment_sums.hpp"

namespace zerak {

// What a window-moment class computes from its window.
enum class MomentKind : unsigned char { Sum, Variance, Std, Covariance, Beta };

// One bar of a pair window.
struct MomentPair {
  Value x;
  Value y;
};

// The machinery shared by the rolling sum, variance, standard deviation,
// covariance and beta: (inputs, window, outputs[, ddof], running=False).
//
// Exact mode recomputes every window oldest first (lanes of the block
// kernels in research). Running mode keeps shifted running sums, updated by
// the entering and leaving bar, and recomputes them from the window every
// `window` bars and whenever they can no longer be trusted
// (window_moment_sums.hpp); its arithmetic depends only on the bar sequence,
// so live and research agree bit for bit.
template <class Derived, MomentKind Kind>
class WindowMoment : public TransformBase<Derived> {
 public:
  static constexpr bool kPair = Kind == MomentKind::Covariance || Kind == MomentKind::Beta;
  static constexpr bool kPlainSum = Kind == MomentKind::Sum;
  static constexpr bool kDdof =
      Kind == MomentKind::Variance || Kind == MomentKind::Std || Kind == MomentKind::Covariance;
  using Window = std::conditional_t<kPair, BasicRing<MomentPair>, Ring>;

  static constexpr auto parameters() {
    constexpr auto head = schema::window_parameters<Derived>();
    constexpr schema::FlagParam<&Derived::running> running{"running", false};
    if constexpr (kDdof) {
      return std::tuple_cat(head,
                            std::tuple{schema::SizeParam<&Derived::ddof>{"ddof", 1}, running});
    } else {
      return std::tuple_cat(head, std::tuple{running});
    }
  }
  static constexpr auto state() {
    using schema::ValueState;
    if constexpr (kPair) {
      return std::tuple{schema::PairRingState<&Derived::window_values_>{"window pairs"},
                        ValueState<&Derived::shift_x_>{"x shift"},
                        ValueState<&Derived::shift_y_>{"y shift"},
                        ValueState<&Derived::sum_x_>{"running x sum"},
                        ValueState<&Derived::sum_y_>{"running y sum"},
                        ValueState<&Derived::sum_xx_>{"running x squares"},
                        ValueState<&Derived::sum_yy_>{"running y squares"},
                        ValueState<&Derived::sum_xy_>{"running products"},
                        ValueState<&Derived::comp_x_>{"x sum compensation"},
                        ValueState<&Derived::comp_y_>{"y sum compensation"},
                        ValueState<&Derived::comp_xx_>{"x squares compensation"},
                        ValueState<&Derived::comp_yy_>{"y squares compensation"},
                        ValueState<&Derived::comp_xy_>{"products compensation"},
                        ValueState<&Derived::scale_x_>{"x scale"},
                        ValueState<&Derived::scale_y_>{"y scale"},
                        ValueState<&Derived::since_>{"bars since recomputation"}};
    } else {
      return std::tuple{schema::RingState<&Derived::window_values_>{"window values"},
                        ValueState<&Derived::shift_x_>{"shift"},
                        ValueState<&Derived::sum_x_>{"running sum"},
                        ValueState<&Derived::comp_x_>{"running sum compensation"},
                        ValueState<&Derived::sum_xx_>{"running squares"},
                        ValueState<&Derived::comp_xx_>{"running squares compensation"},
                        ValueState<&Derived::scale_x_>{"scale"},
                        ValueState<&Derived::since_>{"bars since recomputation"}};
    }
  }

  static Result<Derived> create(Names inputs, std::size_t window, Names outputs, std::size_t ddof,
                                bool running)
    requires kDdof
  {
    if (auto error = check(inputs, window, outputs)) return *error;
    if (ddof >= window) {
      return invalid_input("ddof (" + std::to_string(ddof) + ") must be < window (" +
                           std::to_string(window) + ")");
    }
    return Derived(std::move(inputs), window, std::move(outputs), ddof, running);
  }
  static Result<Derived> create(Names inputs, std::size_t window, Names outputs, bool running)
    requires(!kDdof)
  {
    if (auto error = check(inputs, window, outputs)) return *error;
    return Derived(std::move(inputs), window, std::move(outputs), 0, running);
  }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t ddof() const noexcept { return ddof_; }
  [[nodiscard]] bool running() const noexcept { return running_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return kPair ? 2 : 1; }

  void reset() override {
    window_values_.clear();
    store(moments::RunningSums{});
    counts_ = {};
  }

  OutputRow update(std::span<const Value> values) override {
    if (values.size() < (kPair ? 2u : 1u)) return {kMissing};
    const auto entry = make_entry(values[0], kPair ? values[1] : kMissing);
    if (!running_) {
      window_values_.push(stored(values));
      return {exact_live()};
    }
    const moments::Entry leaving =
        window_values_.full() ? entry_of(window_values_.oldest()) : moments::Entry{};
    const moments::Entry previous =
        window_values_.empty() ? moments::Entry{} : entry_of(window_values_.newest());
    window_values_.push(stored(values));
    moments::RunningSums r = load();
    const Value out = step(r, entry, leaving, previous, window_values_.full(), [this](auto&& f) {
      window_values_.for_each([&f](const auto& v) { f(value_x(v), value_y(v)); });
    });
    store(r);
    return {out};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (inputs.size() < (kPair ? 2u : 1u) || outputs.empty()) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    if (running_) {
      running_block(inputs, outputs, bars);
    } else {
      exact_block(inputs, outputs, bars);
    }
    fill_missing(outputs, 1, bars);
  }

  // Counts derived from the window (the primary state), after a restore.
  void rebuild_from_window() {
    counts_ = {};
    moments::Entry previous{};
    bool first = true;
    window_values_.for_each([&](const auto& v) {
      const moments::Entry e = entry_of(v);
      counts_.enter(e, first ? nullptr : &previous, window_);
      previous = e;
      first = false;
    });
  }

  [[nodiscard]] const char* restored_problem() const noexcept {
    const double since = since_.value_or(-1.0);
    if (!(since >= 0.0 && since <= static_cast<double>(window_) && since == std::floor(since))) {
      return "bars since recomputation out of range";
    }
    return nullptr;
  }

 protected:
  WindowMoment(Names inputs, std::size_t window, Names outputs, std::size_t ddof, bool running)
      : TransformBase<Derived>(std::move(inputs), std::move(outputs)),
        window_(window),
        ddof_(ddof),
        running_(running),
        n_(static_cast<double>(window)),
        inv_n_(1.0 / n_),
        dof_(static_cast<double>(window - ddof)),
        window_values_(window) {
    store(moments::RunningSums{});
  }

 private:
  using Entry = moments::Entry;

  static std::optional<ZerakError> check(const Names& inputs, std::size_t window,
                                         const Names& outputs) {
    if (inputs.size() != (kPair ? 2u : 1u)) {
      return invalid_input(kPair ? msg::kInputsExactly2 : msg::kInputsExactly1);
    }
    if (window < (Kind == MomentKind::Beta ? 2u : 1u)) {
      return invalid_input(Kind == MomentKind::Beta ? msg::kWindowBelow2 : msg::kWindowZero);
    }
    if (outputs.size() != 1) return invalid_input(msg::kOutputsExactly1);
    return std::nullopt;
  }

  // ---- entries ------------------------------------------------------------

  static auto stored(std::span<const Value> values) {
    if constexpr (kPair) {
      return MomentPair{values[0], values[1]};
    } else {
      return values[0];
    }
  }
  static double value_x(const Value& v) noexcept { return *v; }
  static double value_y(const Value&) noexcept { return 0.0; }
  static double value_x(const MomentPair& p) noexcept { return *p.x; }
  static double value_y(const MomentPair& p) noexcept { return *p.y; }

  static Entry make_entry(const Value& x, const Value& y) noexcept {
    if constexpr (kPair) {
      return moments::entry(x, y);
    } else {
      return moments::entry(x);
    }
  }
  static Entry entry_of(const Value& v) noexcept { return moments::entry(v); }
  static Entry entry_of(const MomentPair& p) noexcept { return moments::entry(p.x, p.y); }

  // ---- the formulas, once ----------------------------------------------------

  // The output from a window's centred sums (sum: its plain sum in sxx).
  // Constant series have exactly zero spread whatever their mean rounds to.
  [[nodiscard]] Value finish(double sxx, double sxy, bool constant_x,
                             bool constant_y) const noexcept {
    if constexpr (Kind == MomentKind::Sum) {
      return sxx;
    } else if constexpr (Kind == MomentKind::Variance || Kind == MomentKind::Std) {
      return constant_x ? 0.0 : moments::spread(sxx, dof_, Kind == MomentKind::Std);
    } else if constexpr (Kind == MomentKind::Covariance) {
      return constant_x || constant_y ? 0.0 : sxy / dof_;
    } else {
      if (constant_x) return kMissing;  // no variance of x, no slope
      if (constant_y) return 0.0;
      // Sums past the double range leave no ratio to trust (inf / inf, or
      // a finite Sxy over an overflowed Sxx, which would read 0).
      if (!std::isfinite(sxx) || !std::isfinite(sxy)) return kMissing;
      return sxx > 0.0 ? Value(sxy / sxx) : kMissing;
    }
  }

  // A complete window recomputed oldest first: `each(f)` calls f(x, y) for
  // every bar, all of them present. The lanes of exact_block do the same
  // steps. The sum is plain; the spreads take their means from compensated
  // sums and correct their centred sums by the deviations' sums, which keeps
  // them accurate however far the data sit from zero.
  struct WindowSums {
    double xx;  // the plain sum, for a sum
    double xy;
    bool constant_x;
    bool constant_y;
  };

  template <class Each>
  [[nodiscard]] Value exact_window(Each&& each) const noexcept {
    const WindowSums s = exact_sums(each);
    return finish(s.xx, s.xy, s.constant_x, s.constant_y);
  }

  template <class Each>
  [[nodiscard]] WindowSums exact_sums(Each&& each) const noexcept {
    double sum_x = 0.0;
    double comp_x = 0.0;
    double sum_y = 0.0;
    double comp_y = 0.0;
    bool first = true;
    double first_x = 0.0;
    double first_y = 0.0;
    bool constant_x = true;
    bool constant_y = true;
    each([&](double x, double y) {
      if constexpr (kPlainSum) {
        sum_x = steps::sum(sum_x, x);
      } else {
        steps::compensated_sum(sum_x, comp_x, x);
        if constexpr (kPair) steps::compensated_sum(sum_y, comp_y, y);
      }
      // A window of one is constant whatever it holds, as the block's and
      // running mode's counts of equal neighbours see it.
      if (first) {
        first_x = x;
        first_y = y;
        first = false;
      } else {
        constant_x = constant_x && x == first_x;
        constant_y = constant_y && y == first_y;
      }
    });
    if constexpr (Kind == MomentKind::Sum) {
      return {sum_x, 0.0, false, false};
    } else {
      const double mean_x = ops::window_mean(steps::compensated_total(sum_x, comp_x), n_);
      if constexpr (kPair) {
        const double mean_y = ops::window_mean(steps::compensated_total(sum_y, comp_y), n_);
        steps::CorrectedProducts<double> p{{0.0, 0.0, 0.0}, 0.0, 0.0};
        each([&](double x, double y) { steps::corrected_products(p, x, y, mean_x, mean_y); });
        return {ops::corrected_sum(p.p.xx, p.dx, p.dx, n_),
                ops::corrected_sum(p.p.xy, p.dx, p.dy, n_), constant_x, constant_y};
      } else {
        double squares = 0.0;
        double deviations = 0.0;
        each([&](double x, double) {
          steps::centered_square_and_deviation(squares, deviations, x, mean_x);
        });
        return {ops::corrected_sum(squares, deviations, deviations, n_), 0.0, constant_x, false};
      }
    }
  }

  [[nodiscard]] Value exact_live() const noexcept {
    if (!window_values_.full()) return kMissing;
    bool complete = true;
    window_values_.for_each(
        [&complete](const auto& v) { complete = complete && !entry_of(v).missing; });
    if (!complete) return kMissing;
    return exact_window([this](auto&& f) {
      window_values_.for_each([&f](const auto& v) { f(value_x(v), value_y(v)); });
    });
  }

  // ---- running mode ----------------------------------------------------------

  // One bar: the entering entry, the leaving one and the one before the
  // entering (each may not exist), then the output of the window as it now
  // stands (complete or not), which `each` walks oldest first.
  template <class Each>
  Value step(moments::RunningSums& r, const Entry& entering, const Entry& leaving,
             const Entry& previous, bool complete, Each&& each) {
    if (leaving.exists) counts_.leave(leaving);
    counts_.enter(entering, previous.exists ? &previous : nullptr, window_);
    moments::slide<kPair, kPlainSum>(r, entering, leaving);
    r.since = std::min(r.since + 1, window_);
    if (!complete || counts_.missing != 0) return kMissing;
    if (counts_.nonfinite != 0) return exact_window(each);
    if constexpr (kPlainSum) {
      if (r.since >= window_ || !moments::sum_trusted(r)) {
        moments::recompute<kPair, kPlainSum>(r, n_, each);
      }
      return finish(moments::sum_value(r), 0.0, false, false);
    } else {
      const bool constant_x = counts_.run_x >= window_;
      const bool constant_y = kPair && counts_.run_y >= window_;
      if (constant_x || constant_y) return finish(0.0, 0.0, constant_x, constant_y);
      moments::Centred c = moments::centred<kPair>(r, inv_n_);
      if (r.since >= window_ || !moments::trusted(c.xx, r.scale_x) ||
          (kPair && !moments::trusted(c.yy, r.scale_y))) {
        moments::recompute<kPair, kPlainSum>(r, n_, each);
        c = moments::centred<kPair>(r, inv_n_);
      }
      // Sums past the double range: the exact window's own answer (an
      // overflowed spread is inf), so both modes agree.
      if (!finite(c)) [[unlikely]]
        return exact_window(each);
      return finish(c.xx, c.xy, false, false);
    }
  }

  // Whether the sums the output is made of are finite.
  static bool finite(const moments::Centred& c) noexcept {
    if constexpr (Kind == MomentKind::Covariance) {
      return std::isfinite(c.xy);
    } else if constexpr (Kind == MomentKind::Beta) {
      return std::isfinite(c.xx) && std::isfinite(c.xy);
    } else {
      return std::isfinite(c.xx);
    }
  }

  moments::RunningSums load() const noexcept {
    moments::RunningSums r;
    r.shift_x = shift_x_.value_or(0.0);
    r.shift_y = shift_y_.value_or(0.0);
    r.sum_x = sum_x_.value_or(0.0);
    r.comp_x = comp_x_.value_or(0.0);
    r.comp_y = comp_y_.value_or(0.0);
    r.comp_xx = comp_xx_.value_or(0.0);
    r.comp_yy = comp_yy_.value_or(0.0);
    r.comp_xy = comp_xy_.value_or(0.0);
    r.sum_y = sum_y_.value_or(0.0);
    r.sum_xx = sum_xx_.value_or(0.0);
    r.sum_yy = sum_yy_.value_or(0.0);
    r.sum_xy = sum_xy_.value_or(0.0);
    r.scale_x = scale_x_.value_or(0.0);
    r.scale_y = scale_y_.value_or(0.0);
    r.since = static_cast<std::size_t>(since_.value_or(0.0));  // checked on restore
    return r;
  }
  void store(const moments::RunningSums& r) noexcept {
    shift_x_ = r.shift_x;
    shift_y_ = r.shift_y;
    sum_x_ = r.sum_x;
    comp_x_ = r.comp_x;
    comp_y_ = r.comp_y;
    comp_xx_ = r.comp_xx;
    comp_yy_ = r.comp_yy;
    comp_xy_ = r.comp_xy;
    sum_y_ = r.sum_y;
    sum_xx_ = r.sum_xx;
    sum_yy_ = r.sum_yy;
    sum_xy_ = r.sum_xy;
    scale_x_ = r.scale_x;
    scale_y_ = r.scale_y;
    since_ = static_cast<double>(r.since);
  }

  // ---- research ------------------------------------------------------------

  void exact_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                   std::size_t bars);
  void running_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                     std::size_t bars);
  bool running_block_finite(const Value* in, Value* out, std::size_t bars);

 protected:
  std::size_t window_;
  std::size_t ddof_;
  bool running_;
  double n_;  // the window's length as a double
  double inv_n_;
  double dof_;  // window - ddof as a double
  Window window_values_;
  moments::WindowCounts counts_;
  // Running mode's sums (window_moment_sums.hpp), kept as snapshot state.
  Value shift_x_;
  Value shift_y_;
  Value sum_x_;
  Value comp_x_;
  Value comp_y_;
  Value comp_xx_;
  Value comp_yy_;
  Value comp_xy_;
  Value sum_y_;
  Value sum_xx_;
  Value sum_yy_;
  Value sum_xy_;
  Value scale_x_;
  Value scale_y_;
  Value since_;
};

template <class Derived, MomentKind Kind>
void WindowMoment<Derived, Kind>::exact_block(std::span<const Value* const> inputs,
                                              std::span<Value* const> outputs, std::size_t bars) {
  const Value* in_x = inputs[0];
  if constexpr (kPlainSum) {
    window_sum_block(
        window_values_, [in_x](std::size_t i) { return in_x[i]; },
        [this](double sum) { return finish(sum, 0.0, false, false); }, outputs, bars, in_x);
  } else {
    const std::size_t held = window_values_.size();
    const std::size_t w = window_;
    BlockSeries sx;
    BlockSeries sy;
    sx.assign(
        held,
        [this](std::size_t i) -> Value {
          if constexpr (kPair)
            return window_values_[i].x;
          else
            return window_values_[i];
        },
        bars, [in_x](std::size_t i) { return in_x[i]; });
    if constexpr (kPair) {
      const Value* in_y = inputs[1];
      sy.assign(
          held, [this](std::size_t i) { return window_values_[i].y; }, bars,
          [in_y](std::size_t i) { return in_y[i]; });
    }
    const Lanes lanes = lanes_of(held, w, w, bars);
    const auto usable = [&](std::size_t j) {
      const std::size_t b = lanes.start + j;
      return sx.missing(b, b + w) == 0 && (!kPair || sy.missing(b, b + w) == 0);
    };
    const LaneMoments m = [&] {
      if constexpr (kPair) {
        return corrected_lane_moments(sx.data() + lanes.start, sy.data() + lanes.start, w,
                                      lanes.count, usable);
      } else {
        return corrected_lane_moments(sx.data() + lanes.start, w, lanes.count, usable);
      }
    }();
    Value* out = outputs[0];
    for (std::size_t i = 0; i < bars; ++i) {
      if constexpr (kPair) {
        window_values_.push(MomentPair{in_x[i], inputs[1][i]});
      } else {
        window_values_.push(in_x[i]);
      }
      const std::size_t j = i - lanes.first;
      if (i < lanes.first || !m.ok[j]) {
        out[i] = kMissing;
        continue;
      }
      const std::size_t b = lanes.start + j;
      const bool constant_x = sx.constant(b, b + w);
      const bool constant_y = kPair && sy.constant(b, b + w);
      out[i] = finish(m.sxx[j], kPair ? m.sxy[j] : 0.0, constant_x, constant_y);
    }
  }
}

template <class Derived, MomentKind Kind>
void WindowMoment<Derived, Kind>::running_block(std::span<const Value* const> inputs,
                                                std::span<Value* const> outputs, std::size_t bars) {
  const std::size_t held = window_values_.size();
  const std::size_t w = window_;
  if constexpr (!kPair && !kPlainSum) {
    if (running_block_finite(inputs[0], outputs[0], bars)) {
      for (std::size_t i = bars > w ? bars - w : 0; i < bars; ++i)
        window_values_.push(inputs[0][i]);
      return;
    }
  }
  // The window's entries and the block's, side by side, so that every bar
  // finds its leaving and previous entries by index.
  std::vector<Entry> e(held + bars);
  for (std::size_t i = 0; i < held; ++i) e[i] = entry_of(window_values_[i]);
  for (std::size_t i = 0; i < bars; ++i) {
    e[held + i] = make_entry(inputs[0][i], kPair ? inputs[1][i] : kMissing);
  }
  moments::RunningSums r = load();
  Value* out = outputs[0];
  for (std::size_t i = 0; i < bars; ++i) {
    const std::size_t k = held + i;
    const Entry none{};
    const Entry& leaving = k >= w ? e[k - w] : none;
    const Entry& previous = k >= 1 ? e[k - 1] : none;
    const bool complete = k + 1 >= w;
    out[i] = step(r, e[k], leaving, previous, complete, [&](auto&& f) {
      for (std::size_t q = k + 1 - w; q <= k; ++q) f(e[q].x, e[q].y);
    });
  }
  store(r);
  for (std::size_t i = bars > w ? bars - w : 0; i < bars; ++i) {
    if constexpr (kPair) {
      window_values_.push(MomentPair{inputs[0][i], inputs[1][i]});
    } else {
      window_values_.push(inputs[0][i]);
    }
  }
}

// step() for a variance whose window and block hold only finite values (no
// missing bar, nothing non-finite: the counts stay 0), on plain doubles:
// the same operations in the same order, so the same bits. False, changing
// nothing, for any other block.
template <class Derived, MomentKind Kind>
bool WindowMoment<Derived, Kind>::running_block_finite(const Value* in, Value* out,
                                                       std::size_t bars) {
  const std::size_t held = window_values_.size();
  const std::size_t w = window_;
  std::vector<double> v(held + bars);
  for (std::size_t i = 0; i < held; ++i) {
    const Value& x = window_values_[i];
    if (!x || !std::isfinite(*x)) return false;
    v[i] = *x;
  }
  // One branch-free pass: x - x is 0 for a finite x only.
  bool finite = true;
  for (std::size_t i = 0; i < bars; ++i) {
    const double x = in[i].value_or(0.0);
    finite &= in[i].has_value() & (x - x == 0.0);
    v[held + i] = x;
  }
  if (!finite) return false;
  // The centred sums first, the outputs (a division and a root) after, in
  // a loop of their own.
  std::vector<double> centred(bars);
  moments::RunningSums r = load();
  // The running sums in locals of the loop, so that they stay in registers;
  // `r` holds them only across a recomputation.
  moments::RunningSums s = r;
  std::size_t run = counts_.run_x;
  const double* x = v.data();
  for (std::size_t i = 0; i < bars; ++i) {
    const std::size_t k = held + i;
    run = k >= 1 && x[k] == x[k - 1] ? std::min(run + 1, w) : 1;
    moments::slide_terms(s, x[k] - s.shift_x, k >= w ? x[k - w] - s.shift_x : 0.0);
    s.since = std::min(s.since + 1, w);
    if (k + 1 < w || run >= w) {
      centred[i] = 0.0;  // a constant window: finish gives its exact 0
      continue;
    }
    double c = moments::centred<false>(s, inv_n_).xx;
    if (s.since >= w || !moments::trusted(c, s.scale_x)) [[unlikely]] {
      r = s;
      moments::recompute<false, false>(r, n_, [x, k, w](auto&& f) {
        for (std::size_t q = k + 1 - w; q <= k; ++q) f(x[q], 0.0);
      });
      s = r;
      c = moments::centred<false>(s, inv_n_).xx;
    }
    if (!std::isfinite(c)) [[unlikely]] {
      c = exact_sums([x, k, w](auto&& f) {
            for (std::size_t q = k + 1 - w; q <= k; ++q) f(x[q], 0.0);
          }).xx;
    }
    centred[i] = c;
  }
  r = s;
  store(r);
  counts_.run_x = run;
  const std::size_t first = held + 1 >= w ? 0 : w - 1 - held;
  for (std::size_t i = 0; i < bars && i < first; ++i) out[i] = kMissing;
  // finish() of a centred sum, as spreads() computes it for many.
  if (first < bars) {
    moments::spreads(centred.data() + first, centred.data() + first, bars - first, dof_,
                     Kind == MomentKind::Std);
  }
  for (std::size_t i = first; i < bars; ++i) out[i] = centred[i];
  return true;
}

}  // namespace zerak
