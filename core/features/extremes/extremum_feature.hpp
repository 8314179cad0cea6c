#pragma once

#include <cstddef>
#include <span>
#include <tuple>
#include <utility>

#include "block/block_series.hpp"
#include "window/extremum_window.hpp"
#include "window/ring.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// A feature read off the extreme of the last `window` values: Derived supplies
//   static double finish(const ExtremumWindow<E>::Cursor& w)  // w is ready()
// and the output is missing until the window is full and while it holds a
// missing or NaN value.
template <class Derived, Extreme E>
class ExtremumFeature : public WindowFeature<Derived> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&ExtremumFeature::ring_>{"window values"}};
  }

  void reset() override {
    ring_.clear();
    extreme_.clear();
  }
  void rebuild_from_window() noexcept { extreme_.rebuild(ring_); }

  OutputRow update(std::span<const Value> values) override {
    if (values.empty()) return {kMissing};
    ring_.push(values[0]);
    auto at = extreme_.cursor();
    Value out;
    step(at, values[0], out);
    extreme_.take(at);
    return {out};
  }

  // The same step bar by bar; the ring, read only by snapshots and rebuilds,
  // takes the block's newest values once at the end.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (inputs.empty() || outputs.empty()) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    const Value* in = inputs[0];
    Value* out = outputs[0];
    auto at = extreme_.cursor();
    for (std::size_t i = 0; i < bars; ++i) step(at, in[i], out[i]);
    extreme_.take(at);
    push_newest(ring_, in, bars);
    fill_missing(outputs, 1, bars);
  }

 protected:
  ExtremumFeature(Names inputs, std::size_t window, Names outputs)
      : WindowFeature<Derived>(std::move(inputs), window, std::move(outputs)),
        ring_(window),
        extreme_(window) {}

 private:
  using Cursor = typename ExtremumWindow<E>::Cursor;

  // Writes the output in place: a Value built aside and copied costs a stall
  // on every bar (two narrow stores read back as one wide load).
  static void step(Cursor& at, const Value& v, Value& out) noexcept {
    at.push(v);
    if (at.ready()) {
      out.emplace(Derived::finish(at));
    } else {
      out.reset();
    }
  }

  Ring ring_;
  ExtremumWindow<E> extreme_;
};

}  // namespace zerak
