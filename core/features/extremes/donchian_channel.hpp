#pragma once

#include <cstddef>
#include <span>

#include "window/extremum_window.hpp"
#include "window/ring.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// The highest high and lowest low of the last `window` bars and their mean:
// [upper, middle, lower].
class DonchianChannel final : public WindowFeature<DonchianChannel> {
 public:
  static constexpr auto state() {
    return std::tuple{schema::RingState<&DonchianChannel::highs_>{"high window"},
                      schema::RingState<&DonchianChannel::lows_>{"low window"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Donchian channel: the highest high (upper) and lowest low (lower) of the\n"
                 "last ``window`` bars and their mean (middle).",
      .update = "Process one bar. Returns ``[upper, middle, lower]``, ``NaN`` during warm-up.",
  };
  static constexpr WindowCheck kChecks[] = {
      inputs_at_least(2, "inputs must contain high and low columns"),
      outputs_exactly(3, "outputs must contain exactly 3 names: [upper, middle, lower]"),
      window_at_least(1, msg::kWindowZero),
  };
  static constexpr std::size_t kValuesRead = 2;

  [[nodiscard]] std::size_t values_returned() const noexcept override { return 3; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  void rebuild_from_window() noexcept;
  [[nodiscard]] const char* restored_problem() const noexcept {
    return highs_.size() != lows_.size() ? "high and low windows of different lengths" : nullptr;
  }

 private:
  using Highest = ExtremumWindow<Extreme::Max>::Cursor;
  using Lowest = ExtremumWindow<Extreme::Min>::Cursor;
  friend class WindowFeature<DonchianChannel>;
  DonchianChannel(Names inputs, std::size_t window, Names outputs);

  struct Channel {
    Value upper;
    Value middle;
    Value lower;
  };
  static Channel step(Highest& hi, Lowest& lo, const Value& high, const Value& low) noexcept;

  Ring highs_;
  Ring lows_;
  ExtremumWindow<Extreme::Max> highest_;
  ExtremumWindow<Extreme::Min> lowest_;
};

}  // namespace zerak
