#include "keltner_channel.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "block/block_series.hpp"
#include "features/column_block.hpp"
#include "ops/range_smoothing.hpp"
#include "window/window_sums.hpp"
#include "range_indicator.hpp"

namespace zerak {

Result<KeltnerChannel> KeltnerChannel::create(Names inputs, Names outputs, std::size_t window,
                                              std::size_t atr_window, double multiplier) {
  if (inputs.size() < 3) return invalid_input(range::kHighLowClose);
  if (outputs.size() != 3) {
    return invalid_input("outputs must contain exactly 3 names: [upper, middle, lower]");
  }
  if (window == 0) return invalid_input(msg::kWindowZero);
  if (atr_window == 0) return invalid_input("atr_window must be non-zero");
  if (!(std::isfinite(multiplier) && multiplier >= 0.0)) {
    return invalid_input("multiplier must be finite and >= 0");
  }
  return KeltnerChannel(std::move(inputs), std::move(outputs), window, atr_window, multiplier);
}

KeltnerChannel::KeltnerChannel(Names inputs, Names outputs, std::size_t window,
                               std::size_t atr_window, double multiplier)
    : TransformBase(std::move(inputs), std::move(outputs)),
      closes_(window),
      ranges_(atr_window),
      window_(window),
      atr_window_(atr_window),
      multiplier_(multiplier),
      alpha_(2.0 / (static_cast<double>(window) + 1.0)),
      one_minus_alpha_(1.0 - alpha_),
      atr_n_(static_cast<double>(atr_window)),
      atr_n_minus_1_(static_cast<double>(atr_window - 1)) {}

std::size_t KeltnerChannel::warm_up_period() const { return std::max(window_ - 1, atr_window_); }

void KeltnerChannel::reset() {
  middle_.reset();
  closes_.clear();
  prev_close_.reset();
  atr_.reset();
  ranges_.clear();
}

const char* KeltnerChannel::restored_problem() const noexcept {
  if (middle_ && !closes_.empty()) return "seed values beside a seeded average";
  if (atr_ && !ranges_.empty()) return "seed true ranges beside a seeded average";
  if ((atr_ || !ranges_.empty()) && !prev_close_) return "an average without a previous close";
  return nullptr;
}

KeltnerChannel::Row KeltnerChannel::step(const Value& high, const Value& low,
                                         const Value& close) noexcept {
  if (!range::usable(high) || !range::usable(low) || !range::usable(close)) {
    reset();
    return {};
  }
  const double c = *close;
  // The middle line: our Ema's seeding and step.
  if (middle_) {
    middle_ = range::ema_step(*middle_, c, alpha_, one_minus_alpha_);
  } else {
    closes_.push(c);
    if (closes_.full()) {
      middle_ = *sum_oldest_first(closes_) / static_cast<double>(window_);
      closes_.clear();
    }
  }
  // The average true range: Wilder's, seeded with the mean of the first ranges.
  const Value prev = prev_close_;
  prev_close_ = c;
  if (prev) {
    const double tr = range::true_range(*high, *low, *prev);
    if (atr_) {
      atr_ = range::wilder_average(*atr_, tr, atr_n_, atr_n_minus_1_);
    } else {
      ranges_.push(tr);
      if (ranges_.full()) {
        atr_ = *sum_oldest_first(ranges_) / atr_n_;
        ranges_.clear();
      }
    }
  }
  if (!middle_ || !atr_) return {};
  const double width = multiplier_ * *atr_;
  return {*middle_ + width, middle_, *middle_ - width};
}

OutputRow KeltnerChannel::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing, kMissing, kMissing};
  const Row row = step(values[0], values[1], values[2]);
  return {row.upper, row.middle, row.lower};
}

void KeltnerChannel::update_block(std::span<const Value* const> inputs,
                                  std::span<Value* const> outputs, std::size_t bars) {
  column_block<3, 3>(*this, inputs, outputs, bars,
                     [&](const Value* h, const Value* l, const Value* c, Value* upper,
                         Value* middle, Value* lower) {
                       for (std::size_t i = 0; i < bars; ++i) {
                         const Row row = step(h[i], l[i], c[i]);
                         upper[i] = row.upper;
                         middle[i] = row.middle;
                         lower[i] = row.lower;
                       }
                     });
}

}  // namespace zerak
