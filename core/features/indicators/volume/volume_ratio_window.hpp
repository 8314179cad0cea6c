#pragma once

#include <cstddef>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "block/block_series.hpp"
#include "features/ring_block.hpp"
#include "simd/dispatch.hpp"
#include "window/ring.hpp"
#include "window/window_sums.hpp"
#include "features/column_block.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// The update docstring of the features whose finish is the default ratio.
inline constexpr const char* kVolumeRatioUpdateDoc =
    "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input in the window, or "
    "when the window's volume sums to 0.";

// A feature of high, low, close and volume whose every bar contributes two
// terms (both present or both missing), and whose value comes from the sums
// of the last `window` of each, summed oldest first, live and in blocks
// alike. Derived supplies
//   std::pair<Value, Value> terms(const Value& h, const Value& l, const Value& c,
//                                 const Value& v)  // all four present
// and may supply
//   void on_gap()  // a bar with a missing value: both its terms are missing
//   static Value finish(double first_sum, double second_sum)  // default: the ratio
// terms and on_gap may read and move state of Derived's own (one of them is
// called once per bar, in bar order).
template <class Derived>
class VolumeRatioWindow : public WindowFeature<Derived> {
 public:
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(4, "inputs must contain high, low, close, and volume columns"),
      outputs_at_least(1, msg::kOutputsEmpty),
      window_at_least(1, msg::kWindowZero),
  };
  static constexpr std::size_t kValuesRead = 4;

  static constexpr auto state() {
    return std::tuple{schema::RingState<&VolumeRatioWindow::first_>{"window first terms"},
                      schema::RingState<&VolumeRatioWindow::second_>{"window second terms"}};
  }

  void reset() override {
    first_.clear();
    second_.clear();
  }

  // The two rings are pushed together.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return first_.size() != second_.size() ? "window terms of different lengths" : nullptr;
  }

  OutputRow update(std::span<const Value> values) override {
    if (values.size() < kValuesRead) return {kMissing};
    const auto [a, b] = terms_of(values[0], values[1], values[2], values[3]);
    first_.push(a);
    second_.push(b);
    if (!first_.full()) return {kMissing};
    const Value sa = sum_oldest_first(first_);
    if (!sa) return {kMissing};
    const Value sb = sum_oldest_first(second_);
    if (!sb) return {kMissing};
    return {Derived::finish(*sa, *sb)};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    const auto run = [&](const Value* h, const Value* l, const Value* c, const Value* v,
                         Value* out) {
      std::vector<Value> a(bars);
      std::vector<Value> b(bars);
      for (std::size_t i = 0; i < bars; ++i)
        std::tie(a[i], b[i]) = terms_of(h[i], l[i], c[i], v[i]);
      const std::size_t w = first_.capacity();
      const RingBlock sa(first_, a.data(), bars, w, w);
      const RingBlock sb(second_, b.data(), bars, w, w);
      const Lanes& lanes = sa.lanes;
      for (std::size_t i = 0; i < bars && i < lanes.first; ++i) out[i] = kMissing;
      if (lanes.count != 0) {
        std::vector<double> sums_a(lanes.count);
        std::vector<double> sums_b(lanes.count);
        simd::kernels().sums(sa.window(0), w, lanes.count, sums_a.data());
        simd::kernels().sums(sb.window(0), w, lanes.count, sums_b.data());
        for (std::size_t j = 0; j < lanes.count; ++j) {
          out[lanes.first + j] =
              sa.missing(j) || sb.missing(j) ? kMissing : Derived::finish(sums_a[j], sums_b[j]);
        }
      }
      for (std::size_t i = 0; i < bars; ++i) {
        first_.push(a[i]);
        second_.push(b[i]);
      }
    };
    column_block<kValuesRead>(*this, inputs, outputs, bars, run);
  }

 protected:
  // The first sum over the second; missing where the second is 0.
  static Value finish(double first, double second) noexcept {
    return second != 0.0 ? Value(first / second) : kMissing;
  }
  void on_gap() noexcept {}

  VolumeRatioWindow(Names inputs, std::size_t window, Names outputs)
      : WindowFeature<Derived>(std::move(inputs), window, std::move(outputs)),
        first_(window),
        second_(window) {}

  Ring first_;
  Ring second_;

 private:
  std::pair<Value, Value> terms_of(const Value& h, const Value& l, const Value& c, const Value& v) {
    if (!h || !l || !c || !v) {
      self().on_gap();
      return {kMissing, kMissing};
    }
    return self().terms(h, l, c, v);
  }

  Derived& self() noexcept { return static_cast<Derived&>(*this); }
};

}  // namespace zerak
