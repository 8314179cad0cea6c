#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <utility>

#include "error.hpp"
#include "traits.hpp"
#include "window/ring.hpp"
#include "window/window_sums.hpp"
#include "features/stepped_feature.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// Exponentially weighted variance with Ema's conventions: alpha = 2 / (window
// + 1); seeded with the mean and population variance of the first `window`
// consecutive values; then, with d = x - mean,
//   mean <- (1 - alpha) * mean + alpha * x        (Ema's expression)
//   var  <- (1 - alpha) * (var + alpha * (d * d))
// A missing or non-finite value is a gap: the output is missing and the
// seeding starts over (an infinity would otherwise stay in the mean for good).
// Derived supplies `static double finish(double variance)`.
template <class Derived>
class EwmSpread : public SteppedFeature<Derived> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&EwmSpread::mean_>{"current mean"},
                      schema::ValueState<&EwmSpread::var_>{"current variance"},
                      schema::RingState<&EwmSpread::seed_>{"seed values"}};
  }
  static constexpr std::span<const WindowCheck> kChecks = kWindowOf2Checks;

  void reset() override {
    mean_.reset();
    var_.reset();
    seed_.clear();
  }

  [[nodiscard]] double alpha() const noexcept { return alpha_; }

  // A seeded state never collects seed values again, and its variance is a
  // number >= 0 (possibly +inf after an overflow).
  [[nodiscard]] const char* restored_problem() const noexcept {
    if (mean_.has_value() != var_.has_value()) return "a mean without a variance, or the reverse";
    if (mean_ && !seed_.empty()) return "seed values beside a seeded mean";
    if (var_ && !(*var_ >= 0.0)) return "a negative or NaN variance";
    return nullptr;
  }

 protected:
  EwmSpread(Names inputs, std::size_t window, Names outputs)
      : SteppedFeature<Derived>(std::move(inputs), window, std::move(outputs)),
        seed_(window),
        alpha_(2.0 / (static_cast<double>(window) + 1.0)),
        one_minus_alpha_(1.0 - alpha_) {}

 private:
  friend class SteppedFeature<Derived>;

  static bool usable(const Value& x) noexcept { return x && std::isfinite(*x); }

  void advance(double& mean, double& var, double x) const noexcept {
    const double d = x - mean;
    mean = one_minus_alpha_ * mean + alpha_ * x;
    var = one_minus_alpha_ * (var + alpha_ * (d * d));
  }

  // Seeded stretches run with the mean and variance in registers; gaps and
  // seeding go through the one-bar step.
  void step_run(const Value* in, Value* out, std::size_t bars) {
    std::size_t i = 0;
    while (i < bars) {
      if (mean_) {
        double mean = *mean_;
        double var = *var_;
        for (; i < bars && usable(in[i]); ++i) {
          advance(mean, var, *in[i]);
          out[i] = Derived::finish(var);
        }
        mean_ = mean;
        var_ = var;
        if (i == bars) break;
      }
      out[i] = step(in[i]);
      ++i;
    }
  }

  Value step(const Value& x) {
    if (mean_) {
      if (usable(x)) {
        advance(*mean_, *var_, *x);
        return Derived::finish(*var_);
      }
      reset();
      return kMissing;
    }
    seed_.push(usable(x) ? x : kMissing);
    if (!seed_.full()) return kMissing;
    const Value sum = sum_oldest_first(seed_);
    if (!sum) return kMissing;  // the gap stays in the seed ring until pushed out
    const double n = static_cast<double>(this->window_);
    const double mean = *sum / n;  // Ema's seed
    // A flat seed has variance 0, not the rounding error of its mean.
    double squares = 0.0;
    if (!all_equal(seed_)) {
      seed_.for_each([&](const Value& v) { squares = steps::centered_square(squares, *v, mean); });
    }
    mean_ = mean;
    var_ = squares / n;
    seed_.clear();
    return Derived::finish(*var_);
  }

  Value mean_;
  Value var_;
  Ring seed_;
  double alpha_;
  double one_minus_alpha_;
};

}  // namespace zerak
