#include "true_range.hpp"

#include <utility>

#include "block/block_series.hpp"
#include "features/column_block.hpp"
#include "ops/range_smoothing.hpp"
#include "range_indicator.hpp"

namespace zerak {

Result<TrueRange> TrueRange::create(Names inputs, Names outputs) {
  if (inputs.size() < 3) return invalid_input(range::kHighLowClose);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  return TrueRange(std::move(inputs), std::move(outputs));
}

// Writes the bar's output in place: building a Value to return and copying
// it costs more than the arithmetic.
inline void TrueRange::step(const Value& high, const Value& low, const Value& close,
                            Value& out) noexcept {
  if (!range::usable(high) || !range::usable(low) || !range::usable(close)) {
    prev_close_.reset();
    out.reset();
    return;
  }
  if (prev_close_) {
    out = range::true_range(*high, *low, *prev_close_);
  } else {
    out.reset();
  }
  prev_close_ = *close;
}

OutputRow TrueRange::update(std::span<const Value> values) {
  if (values.size() < 3) return {kMissing};
  Value out;
  step(values[0], values[1], values[2], out);
  return {out};
}

void TrueRange::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                             std::size_t bars) {
  const auto run = [&](const Value* h, const Value* l, const Value* c, Value* out) {
    if (bars == 0) return;
    step(h[0], l[0], c[0], out[0]);
    // After the first bar, step's outcome without its branches, which random
    // prices mispredict: bar i has a range when its prices and those of the
    // bar before are usable (that bar left its close behind). A range of
    // finite prices is never a NaN, so it needs no test for the missing pattern.
    const double* hd = doubles(h);
    const double* ld = doubles(l);
    const double* cd = doubles(c);
    double* y = doubles(out);
    const auto finite = [](double v) { return v - v == 0.0; };  // false for NaN and infinities
    bool before = finite(hd[0]) & finite(ld[0]) & finite(cd[0]);
    for (std::size_t i = 1; i < bars; ++i) {
      const bool usable = finite(hd[i]) & finite(ld[i]) & finite(cd[i]);
      const double range = range::true_range(hd[i], ld[i], cd[i - 1]);
      y[i] = usable & before ? range : kMissingDouble;
      before = usable;
    }
    if (bars > 1) {
      if (before) {
        prev_close_ = cd[bars - 1];
      } else {
        prev_close_.reset();
      }
    }
  };
  column_block<3>(*this, inputs, outputs, bars, run);
}

}  // namespace zerak
