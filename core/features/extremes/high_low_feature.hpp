#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <tuple>
#include <utility>

#include "block/block_series.hpp"
#include "features/window_feature.hpp"
#include "window/extremum_window.hpp"
#include "window/ring.hpp"

namespace zerak {

inline constexpr const char* kHighLowInputs = "inputs must contain high and low columns";
inline constexpr const char* kHighLowCloseInputs =
    "inputs must contain high, low and close columns";

// A feature read off the highest high and the lowest low of the last bars:
// its inputs begin high, low; its state is their two windows. Derived
// supplies kValuesRead, kValuesReturned and
//   std::array<Value, kValuesReturned> finish(const HighestHigh& hi,
//                                             const LowestLow& lo, const Value* bar)
// (bar: this bar's kValuesRead values), called once both have taken the bar.
// Parent is the base of the class's own parameters.
template <class Derived, class Parent = WindowFeature<Derived>>
class HighLowFeature : public Parent {
 public:
  using HighestHigh = ExtremumWindow<Extreme::Max>::Cursor;
  using LowestLow = ExtremumWindow<Extreme::Min>::Cursor;

  static constexpr auto state() {
    return std::tuple{schema::RingState<&HighLowFeature::highs_>{"high window"},
                      schema::RingState<&HighLowFeature::lows_>{"low window"}};
  }

  [[nodiscard]] std::size_t values_returned() const noexcept override {
    return Derived::kValuesReturned;
  }

  void reset() override {
    highs_.clear();
    lows_.clear();
    highest_.clear();
    lowest_.clear();
  }
  void rebuild_from_window() noexcept {
    highest_.rebuild(highs_);
    lowest_.rebuild(lows_);
  }
  [[nodiscard]] const char* restored_problem() const noexcept {
    return highs_.size() != lows_.size() ? "high and low windows of different lengths" : nullptr;
  }

  OutputRow update(std::span<const Value> values) override {
    if (values.size() < Derived::kValuesRead) {
      return as_row(std::array<Value, Derived::kValuesReturned>{});
    }
    highs_.push(values[0]);
    lows_.push(values[1]);
    auto hi = highest_.cursor();
    auto lo = lowest_.cursor();
    const auto row = step(hi, lo, values.data());
    highest_.take(hi);
    lowest_.take(lo);
    return as_row(row);
  }

  // The same step bar by bar; the rings, read only by snapshots and rebuilds,
  // take the block's newest values once at the end.
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    if (inputs.size() < Derived::kValuesRead || outputs.size() < Derived::kValuesReturned) {
      return StreamingTransform::update_block(inputs, outputs, bars);
    }
    auto hi = highest_.cursor();
    auto lo = lowest_.cursor();
    for (std::size_t i = 0; i < bars; ++i) {
      std::array<Value, Derived::kValuesRead> bar;
      for (std::size_t k = 0; k < bar.size(); ++k) bar[k] = inputs[k][i];
      const auto row = step(hi, lo, bar.data());
      for (std::size_t k = 0; k < row.size(); ++k) outputs[k][i] = row[k];
    }
    highest_.take(hi);
    lowest_.take(lo);
    push_newest(highs_, inputs[0], bars);
    push_newest(lows_, inputs[1], bars);
    fill_missing(outputs, Derived::kValuesReturned, bars);
  }

 protected:
  // `capacity` bars of high and low; the rest goes to Parent.
  template <class... ParentArgs>
  explicit HighLowFeature(std::size_t capacity, ParentArgs&&... parent_args)
      : Parent(std::forward<ParentArgs>(parent_args)...),
        highs_(capacity),
        lows_(capacity),
        highest_(capacity),
        lowest_(capacity) {}

  [[nodiscard]] const Ring& highs() const noexcept { return highs_; }
  [[nodiscard]] const Ring& lows() const noexcept { return lows_; }

 private:
  auto step(HighestHigh& hi, LowestLow& lo, const Value* bar) {
    hi.push(bar[0]);
    lo.push(bar[1]);
    return static_cast<Derived&>(*this).finish(hi, lo, bar);
  }

  template <std::size_t N>
  static OutputRow as_row(const std::array<Value, N>& row) {
    return std::apply([](const auto&... v) { return OutputRow{v...}; }, row);
  }

  Ring highs_;
  Ring lows_;
  ExtremumWindow<Extreme::Max> highest_;
  ExtremumWindow<Extreme::Min> lowest_;
};

}  // namespace zerak
