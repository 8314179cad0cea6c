#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "window/order_statistic_window.hpp"
#include "window/ring.hpp"
#include "features/stepped_feature.hpp"

namespace zerak {

// A statistic of the ordered values of the last `window` bars (a median, a
// quantile, a rank). The ring is the state snapshots carry; the ordered
// values and the missing count are derived from it.
//
// Derived declares `double of_window() const`, its output from a full window
// of present values; live and research both run `step`, one code path.
template <class Derived>
class OrderStatisticFeature : public SteppedFeature<Derived> {
 public:
  void reset() override {
    ring_.clear();
    sorted_.clear();
    missing_ = 0;
  }

  // Recomputes the ordered values and the missing count from the ring, the
  // primary state (after the ring was restored from elsewhere).
  void rebuild_from_window() {
    sorted_.clear();
    missing_ = 0;
    ring_.for_each([this](const Value& v) {
      if (v) {
        sorted_.insert(*v);
      } else {
        ++missing_;
      }
    });
  }

 protected:
  friend class SteppedFeature<Derived>;

  OrderStatisticFeature(Names inputs, std::size_t window, Names outputs)
      : SteppedFeature<Derived>(std::move(inputs), window, std::move(outputs)),
        ring_(window),
        sorted_(window) {}

  // Slides the window by one bar and returns the statistic, missing until the
  // window is full and while a missing value is in it. `in` is a copy: the
  // ordered values, the count and the ring must all see the same value.
  Value step(Value in) noexcept {
    if (ring_.full()) {
      const Value& out = ring_.oldest();
      if (out && in) {
        sorted_.replace(*out, *in);
      } else if (out) {
        sorted_.erase(*out);
        ++missing_;
      } else if (in) {
        sorted_.insert(*in);
        --missing_;
      }
    } else if (in) {
      sorted_.insert(*in);
    } else {
      ++missing_;
    }
    ring_.push(in);
    if (!ring_.full() || missing_ != 0) return kMissing;
    return static_cast<const Derived*>(this)->of_window();
  }

  Ring ring_;
  OrderStatisticWindow sorted_;  // the ring's present values in order
  std::size_t missing_ = 0;      // missing entries in the ring
};

}  // namespace zerak
