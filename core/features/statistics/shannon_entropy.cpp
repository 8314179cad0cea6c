#include "shannon_entropy.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "block/block_series.hpp"
#include "ops/log.hpp"

namespace zerak {
namespace {

// Bin of t = k * ((x - min) / range): truncated toward zero, a negative or NaN
// t in bin 0, and the maximum (t = k) folded into the last bin. Saturates
// instead of converting a t beyond the integer range.
std::size_t bin_index(double t, std::size_t last) noexcept {
  if (!(t > 0.0)) return 0;
  constexpr double kLimit = 18446744073709551616.0;  // 2^64
  const std::size_t index =
      t >= kLimit ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(t);
  return std::min(index, last);
}

// ln(p) * p for the frequency p = count / n of one occupied bin.
double bin_term(std::size_t count, double n) noexcept {
  const double p = static_cast<double>(count) / n;
  return ops::log(p) * p;
}

// Windows up to this size keep every possible ln(p) * p in a table, which
// saves a logarithm per occupied bin on every bar.
constexpr std::size_t kMaxTabulatedWindow = 4096;

}  // namespace

Result<ShannonEntropy> ShannonEntropy::create(Names inputs, std::size_t window, Names outputs,
                                              BinRule bins, bool normalize) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.empty()) return invalid_input(msg::kOutputsEmpty);
  if (window < 2) return invalid_input(msg::kWindowBelow2);
  if (bins && *bins < 2) return invalid_input("FixedCount bin count must be >= 2");
  const std::size_t k =
      bins ? *bins
           : static_cast<std::size_t>(std::ceil(std::log2(static_cast<double>(window)) + 1.0));
  return ShannonEntropy(std::move(inputs), window, std::move(outputs), bins, k, normalize);
}

ShannonEntropy::ShannonEntropy(Names inputs, std::size_t window, Names outputs, BinRule bins,
                               std::size_t bin_count, bool normalize)
    : TransformBase(std::move(inputs), std::move(outputs)),
      window_(window),
      bins_(bins),
      bin_count_(bin_count),
      normalize_(normalize),
      buffer_(window),
      plain_(window),
      low_(window),
      high_(window) {
  scratch_.reserve(std::min(bin_count_, window_));
  if (window_ <= kMaxTabulatedWindow) {
    bin_terms_.resize(window_ + 1);
    for (std::size_t c = 1; c <= window_; ++c) {
      bin_terms_[c] = bin_term(c, static_cast<double>(window_));
    }
  }
}

ShannonEntropy::ShannonEntropy(const ShannonEntropy& other)
    : TransformBase(other),
      window_(other.window_),
      bins_(other.bins_),
      bin_count_(other.bin_count_),
      normalize_(other.normalize_),
      buffer_(other.buffer_),
      plain_(other.plain_),
      missing_(other.missing_),
      low_(other.low_),
      high_(other.high_),
      scratch_(),
      counts_valid_(other.counts_valid_),
      edge_lo_(other.edge_lo_),
      edge_hi_(other.edge_hi_),
      bin_terms_(other.bin_terms_) {
  scratch_.reserve(other.scratch_.capacity());
  scratch_ = other.scratch_;  // within the reservation
}

void ShannonEntropy::reset() {
  buffer_.clear();
  plain_.clear();
  missing_ = 0;
  low_.clear();
  high_.clear();
  counts_valid_ = false;
}

void ShannonEntropy::rebuild_from_window() {
  plain_.clear();
  missing_ = 0;
  buffer_.for_each([this](const Value& v) {
    plain_.push(v.value_or(0.0));
    missing_ += !v;
  });
  low_.rebuild(buffer_);
  high_.rebuild(buffer_);
  counts_valid_ = false;
}

// Four running minima and maxima, merged at the end: independent lanes do
// not wait on each other.
void ShannonEntropy::scan_extremes(double (&lo)[4], double (&hi)[4]) const noexcept {
  for (const auto part : {plain_.first(), plain_.second()}) {
    std::size_t i = 0;
    for (; i + 4 <= part.size(); i += 4) {
      for (std::size_t j = 0; j < 4; ++j) {
        const double v = part[i + j];
        lo[j] = v < lo[j] ? v : lo[j];
        hi[j] = v > hi[j] ? v : hi[j];
      }
    }
    for (; i < part.size(); ++i) {
      const double v = part[i];
      lo[0] = v < lo[0] ? v : lo[0];
      hi[0] = v > hi[0] ? v : hi[0];
    }
  }
  for (std::size_t j = 1; j < 4; ++j) {
    lo[0] = lo[j] < lo[0] ? lo[j] : lo[0];
    hi[0] = hi[j] > hi[0] ? hi[j] : hi[0];
  }
}

OutputRow ShannonEntropy::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  const Value& in = values[0];
  const bool sliding = buffer_.full();
  const double leaving = sliding ? plain_.oldest() : 0.0;
  if (sliding) missing_ -= !buffer_.oldest();
  missing_ += !in;
  buffer_.push(in);
  plain_.push(in.value_or(0.0));
  if (!peeking_) {
    low_.push(in);
    high_.push(in);
  }
  if (!buffer_.full() || missing_ != 0) {
    counts_valid_ = false;
    return {kMissing};
  }

  // The extremes do not depend on how they are found: NaN never wins a
  // comparison, and the sign of a zero extreme cannot change any bin. With
  // no value that could win, they stay infinite, as a scan leaves them.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  double lo[4] = {kInf, kInf, kInf, kInf};
  double hi[4] = {-kInf, -kInf, -kInf, -kInf};
  if (!peeking_) {
    if (!low_.empty()) {
      lo[0] = low_.extreme();
      hi[0] = high_.extreme();
    }
  } else {
    scan_extremes(lo, hi);
  }
  const double range = hi[0] - lo[0];

  const double n = static_cast<double>(window_);
  double h = -0.0;
  const auto add_bin = [&](std::size_t count) {
    if (count == 0) return;
    h = h - (count < bin_terms_.size() ? bin_terms_[count] : bin_term(count, n));
  };

  const std::size_t k = bin_count_;
  const double kf = static_cast<double>(k);
  const auto bin_of = [&](double v) { return bin_index(kf * ((v - lo[0]) / range), k - 1); };
  if (range == 0.0) {
    counts_valid_ = false;
    add_bin(window_);  // every value in bin 0; the empty bins add nothing
  } else if (!sparse()) {
    // A value's bin depends only on it and the edges: while the edges stay,
    // only the leaving and the entering value change the counts. (Edges equal
    // as doubles may differ in the sign of a zero, which moves no bin.)
    if (sliding && counts_valid_ && lo[0] == edge_lo_ && hi[0] == edge_hi_) {
      --scratch_[bin_of(leaving)];
      ++scratch_[bin_of(*in)];
    } else {
      scratch_.assign(k, 0);  // within the reserved capacity
      for (const auto part : {plain_.first(), plain_.second()}) {
        for (const double v : part) ++scratch_[bin_of(v)];
      }
      counts_valid_ = true;
      edge_lo_ = lo[0];
      edge_hi_ = hi[0];
    }
    for (const std::size_t count : scratch_) add_bin(count);
  } else {
    scratch_.clear();
    for (const auto part : {plain_.first(), plain_.second()}) {
      for (const double v : part) scratch_.push_back(bin_of(v));
    }
    // Ascending bin order, one run per occupied bin: the same additions in the
    // same order as scanning all k counters.
    std::sort(scratch_.begin(), scratch_.end());
    for (std::size_t i = 0; i < scratch_.size();) {
      std::size_t j = i + 1;
      while (j < scratch_.size() && scratch_[j] == scratch_[i]) ++j;
      add_bin(j - i);
      i = j;
    }
  }
  if (normalize_) h = h / ops::log(kf);
  return {h};
}

// The windows, the missing count and the kept bin counts are put back: a
// peek leaves the next bar's counting as it found it.
OutputRow ShannonEntropy::peek(std::span<const Value> values) {
  const bool kept = counts_valid_ && !sparse();
  if (kept) peek_counts_.assign(scratch_.begin(), scratch_.end());  // before any change
  rollback::ValueUndo peeking(peeking_);
  RingUndo buffer(buffer_);
  RingUndo plain(plain_);
  rollback::ValueUndo missing(missing_);
  rollback::ValueUndo valid(counts_valid_);
  rollback::ValueUndo lo(edge_lo_);
  rollback::ValueUndo hi(edge_hi_);
  peeking_ = true;
  peeking.arm();
  buffer.arm();
  plain.arm();
  missing.arm();
  valid.arm();
  lo.arm();
  hi.arm();
  OutputRow row = update(values);
  // Within the reservation; counts_valid_ says whether they count anything.
  if (kept) std::copy(peek_counts_.begin(), peek_counts_.end(), scratch_.begin());
  return row;
}

// Bar by bar, without a call through the interface for each.
void ShannonEntropy::update_block(std::span<const Value* const> inputs,
                                  std::span<Value* const> outputs, std::size_t bars) {
  if (inputs.empty() || outputs.empty())
    return StreamingTransform::update_block(inputs, outputs, bars);
  for (std::size_t i = 0; i < bars; ++i) {
    outputs[0][i] = ShannonEntropy::update(std::span<const Value>(inputs[0] + i, 1))[0];
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
