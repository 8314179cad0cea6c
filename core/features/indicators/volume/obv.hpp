#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <tuple>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// On-balance volume: a running total that adds the bar's volume when the
// close rises, subtracts it when the close falls, and starts at the first
// bar's volume. A missing close or volume gives a missing output and the
// total starts over at the next complete bar.
class Obv final : public TransformBase<Obv> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<Obv>, schema::outputs_param<Obv>};
  }
  static constexpr auto state() {
    return std::tuple{schema::ValueState<&Obv::total_>{"running total"},
                      schema::ValueState<&Obv::close_>{"previous close"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "On-balance volume (running total of signed volume).",
      .update =
          "Process one bar. Returns ``[NaN]`` on ``NaN`` input; the total then "
          "starts over.",
  };
  static constexpr std::size_t kValuesRead = 2;

  static Result<Obv> create(Names inputs, Names outputs);

  void reset() override {
    total_.reset();
    close_.reset();
  }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return kValuesRead; }

  // The total and the close it last saw exist together.
  [[nodiscard]] const char* restored_problem() const noexcept {
    return total_.has_value() != close_.has_value() ? "a running total without its previous close"
                                                    : nullptr;
  }

 private:
  Obv(Names inputs, Names outputs) : TransformBase(std::move(inputs), std::move(outputs)) {}

  // The total after a bar whose close and volume are present. Written with
  // masks rather than branches (which compilers keep for plain selects): a
  // close goes up or down about as often as not, which no branch predictor
  // guesses. total + -volume is total - volume to the bit.
  static double next_total(double total, double before, double close, double volume) noexcept {
    const std::uint64_t up = close > before;
    const std::uint64_t down = close < before;
    const double signed_volume =
        std::bit_cast<double>(std::bit_cast<std::uint64_t>(volume) ^ (down << 63));
    const std::uint64_t keep = (up | down) - 1;  // all ones when the close is unchanged
    const std::uint64_t moved = std::bit_cast<std::uint64_t>(total + signed_volume);
    return std::bit_cast<double>((moved & ~keep) | (std::bit_cast<std::uint64_t>(total) & keep));
  }

  // One bar through the total, for update and for the block loop around its
  // runs of complete bars.
  Value step(const Value& close, const Value& volume) noexcept {
    if (!close || !volume) {
      reset();
      return kMissing;
    }
    total_ = total_ ? next_total(*total_, *close_, *close, *volume) : *volume;
    close_ = close;
    return total_;
  }

  Value total_;
  Value close_;
};

}  // namespace zerak
