#pragma once

#include <cstddef>
#include <span>
#include <tuple>
#include <utility>

#include "block/block_series.hpp"
#include "ops/range_smoothing.hpp"
#include "window/ring.hpp"
#include "window/window_sums.hpp"
#include "range_indicator.hpp"
#include "features/column_block.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// The update docstring of the features below.
inline constexpr const char* kWilderRangeUpdateDoc =
    "Process one bar of high, low, close. Returns ``[NaN]`` during warm-up; a ``NaN`` bar "
    "starts the average over.";

// Wilder's average of the true range over `window` bars, seeded with the mean
// of the first `window` true ranges; a bar with a missing or non-finite price
// starts it over, as on a fresh object. Derived gives the output from the
// average and the bar's close: static double finish(double average, double close).
template <class Derived>
class WilderRange : public WindowFeature<Derived> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&WilderRange::prev_close_>{"previous close"},
                      schema::ValueState<&WilderRange::average_>{"current average"},
                      schema::RingState<&WilderRange::seed_>{"seed true ranges"}};
  }
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(3, range::kHighLowClose),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(1, msg::kWindowZero),
  };
  static constexpr std::size_t kValuesRead = 3;

  [[nodiscard]] std::size_t warm_up_period() const override { return this->window_; }

  void reset() override {
    prev_close_.reset();
    average_.reset();
    seed_.clear();
  }

  OutputRow update(std::span<const Value> values) override {
    Value out;
    if (values.size() >= 3) step(values[0], values[1], values[2], out);
    return {out};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const auto run = [&](const Value* h, const Value* l, const Value* c, Value* out) {
      std::size_t i = 0;
      while (i < bars) {
        if (average_ && prev_close_) {
          // step's seeded branch with the state in locals: kept in the members,
          // the average would go through memory on every bar, as the output
          // stores may alias it.
          const double n = n_;
          const double n_minus_1 = n_minus_1_;
          double average = *average_;
          double prev_close = *prev_close_;
          for (; i < bars && range::usable(h[i]) && range::usable(l[i]) && range::usable(c[i]);
               ++i) {
            const double tr = range::true_range(*h[i], *l[i], prev_close);
            prev_close = *c[i];
            average = range::wilder_average(average, tr, n, n_minus_1);
            out[i] = Derived::finish(average, prev_close);
          }
          average_ = average;
          prev_close_ = prev_close;
          if (i == bars) break;
        }
        step(h[i], l[i], c[i], out[i]);
        ++i;
      }
    };
    column_block<3>(*this, inputs, outputs, bars, run);
  }

  // Seed true ranges are collected only before the average exists, and only
  // after a close.
  [[nodiscard]] const char* restored_problem() const noexcept {
    if (average_ && !seed_.empty()) return "seed values beside a seeded average";
    if ((average_ || !seed_.empty()) && !prev_close_) return "an average without a previous close";
    return nullptr;
  }

 protected:
  WilderRange(Names inputs, std::size_t window, Names outputs)
      : WindowFeature<Derived>(std::move(inputs), window, std::move(outputs)),
        seed_(window),
        n_(static_cast<double>(window)),
        n_minus_1_(static_cast<double>(window - 1)) {}

 private:
  // Writes the bar's output in place: building a Value to return and
  // copying it costs more than the arithmetic.
  void step(const Value& high, const Value& low, const Value& close, Value& out) noexcept {
    if (!range::usable(high) || !range::usable(low) || !range::usable(close)) {
      reset();
      out.reset();
      return;
    }
    if (!prev_close_) {
      prev_close_ = *close;
      out.reset();
      return;
    }
    const double tr = range::true_range(*high, *low, *prev_close_);
    prev_close_ = *close;
    if (average_) {
      const double average = range::wilder_average(*average_, tr, n_, n_minus_1_);
      average_ = average;
      out = Derived::finish(average, *close);
      return;
    }
    seed_.push(tr);
    if (!seed_.full()) {
      out.reset();
      return;
    }
    average_ = *sum_oldest_first(seed_) / n_;
    seed_.clear();
    out = Derived::finish(*average_, *close);
  }

  Value prev_close_;
  Value average_;
  Ring seed_;
  double n_;
  double n_minus_1_;
};

}  // namespace zerak
