#include "adx.hpp"

#include <cmath>
#include <utility>

#include "block/block_series.hpp"
#include "features/column_block.hpp"
#include "ops/range_smoothing.hpp"

namespace zerak {

Adx::Adx(Names inputs, std::size_t window, Names outputs)
    : WindowFeature(std::move(inputs), window, std::move(outputs)),
      n_(static_cast<double>(window)),
      n_minus_1_(static_cast<double>(window - 1)) {}

void Adx::reset() {
  bars_.reset();
  prev_high_.reset();
  prev_low_.reset();
  prev_close_.reset();
  plus_dm_.reset();
  minus_dm_.reset();
  tr_.reset();
  dx_sum_.reset();
  adx_.reset();
}

const char* Adx::restored_problem() const noexcept {
  if (!bars_) {
    const bool any =
        prev_high_ || prev_low_ || prev_close_ || plus_dm_ || minus_dm_ || tr_ || dx_sum_ || adx_;
    return any ? "a state without a bar count" : nullptr;
  }
  const double b = *bars_;
  if (!(b >= 1.0 && b <= 2.0 * n_ && b == std::floor(b))) return "an impossible bar count";
  if (!prev_high_ || !prev_low_ || !prev_close_ || !plus_dm_ || !minus_dm_ || !tr_) {
    return "missing smoothed sums";
  }
  if (dx_sum_.has_value() != (b > n_ && b < 2.0 * n_)) return "a DX sum at the wrong bar";
  if (!adx_ != (b < 2.0 * n_)) return "an ADX at the wrong bar";
  return nullptr;
}

// Writes the bar's outputs in place: building Values to return and copying
// them costs more than the arithmetic.
void Adx::step(const Value& high, const Value& low, const Value& close, Value& plus_di,
               Value& minus_di, Value& adx) noexcept {
  plus_di.reset();
  minus_di.reset();
  adx.reset();
  if (!range::usable(high) || !range::usable(low) || !range::usable(close)) {
    reset();
    return;
  }
  const double h = *high;
  const double l = *low;
  if (!bars_) {
    bars_ = 1.0;
    prev_high_ = h;
    prev_low_ = l;
    prev_close_ = close;
    plus_dm_ = 0.0;
    minus_dm_ = 0.0;
    tr_ = 0.0;
    return;
  }
  const double bar = *bars_;  // this bar's number since the start
  const double diff_p = h - *prev_high_;
  const double diff_m = *prev_low_ - l;
  const double tr = range::true_range(h, l, *prev_close_);
  prev_high_ = h;
  prev_low_ = l;
  prev_close_ = close;
  // A bar moves one side at most: the larger move, if it is an advance.
  const bool minus_move = diff_m > 0 && diff_p < diff_m;
  const bool plus_move = !minus_move && diff_p > 0 && diff_p > diff_m;
  double plus = *plus_dm_;
  double minus = *minus_dm_;
  if (bar < n_) {  // the first window - 1 moves are summed plainly
    if (minus_move) minus += diff_m;
    if (plus_move) plus += diff_p;
    plus_dm_ = plus;
    minus_dm_ = minus;
    tr_ = *tr_ + tr;
    bars_ = bar + 1.0;
    return;
  }
  minus -= minus / n_;
  plus -= plus / n_;
  if (minus_move) minus += diff_m;
  if (plus_move) plus += diff_p;
  plus_dm_ = plus;
  minus_dm_ = minus;
  const double sum_tr = range::wilder_sum(*tr_, tr, n_);
  tr_ = sum_tr;

  Value dx;
  if (!(sum_tr > 0.0)) {
    plus_di = 0.0;
    minus_di = 0.0;
  } else {
    const double minus = 100.0 * (*minus_dm_ / sum_tr);
    const double plus = 100.0 * (*plus_dm_ / sum_tr);
    plus_di = plus;
    minus_di = minus;
    const double di_sum = minus + plus;
    if (!range::near_zero(di_sum)) dx = 100.0 * (std::fabs(minus - plus) / di_sum);
  }
  // A bar without a DX (no range, or no movement) leaves the ADX as it is.
  if (adx_) {
    if (dx) adx_ = range::wilder_average(*adx_, *dx, n_, n_minus_1_);
  } else {
    const double sum = (dx_sum_ ? *dx_sum_ : 0.0) + (dx ? *dx : 0.0);
    if (bar + 1.0 < 2.0 * n_) {
      dx_sum_ = sum;
    } else {
      adx_ = sum / n_;
      dx_sum_.reset();
    }
    bars_ = bar + 1.0;
  }
  adx = adx_;
}

OutputRow Adx::update(std::span<const Value> values) {
  Value plus_di, minus_di, adx;
  if (values.size() >= 3) step(values[0], values[1], values[2], plus_di, minus_di, adx);
  return {plus_di, minus_di, adx};
}

void Adx::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                       std::size_t bars) {
  column_block<3, 3>(
      *this, inputs, outputs, bars,
      [&](const Value* h, const Value* l, const Value* c, Value* plus, Value* minus, Value* adx) {
        for (std::size_t i = 0; i < bars; ++i) step(h[i], l[i], c[i], plus[i], minus[i], adx[i]);
      });
}

}  // namespace zerak
