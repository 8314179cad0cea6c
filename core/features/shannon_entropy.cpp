#include "shannon_entropy.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zerak {
namespace {

// Bin of t = k * ((x - min) / range): truncated toward zero, a negative or NaN
// t in bin 0, and the maximum (t = k) folded into the last bin. Saturates
// instead of converting a t beyond the integer range.
std::size_t bin_index(double t, std::size_t last) noexcept {
  if (!(t > 0.0)) return 0;
  constexpr double kLimit = 18446744073709551616.0;  // 2^64
  const std::size_t index = t >= kLimit ? std::numeric_limits<std::size_t>::max()
                                        : static_cast<std::size_t>(t);
  return std::min(index, last);
}

// ln(p) * p for the frequency p = count / n of one occupied bin.
double bin_term(std::size_t count, double n) noexcept {
  const double p = static_cast<double>(count) / n;
  return std::log(p) * p;
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
      buffer_(window) {
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
      scratch_(),
      bin_terms_(other.bin_terms_) {
  scratch_.reserve(other.scratch_.capacity());
}

OutputRow ShannonEntropy::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing};
  buffer_.push(values[0]);
  if (!buffer_.full()) return {kMissing};

  // Four running minima and maxima, merged at the end: the extremes do not
  // depend on the order of comparison (NaN never wins a comparison, and the
  // sign of a zero extreme cannot change any bin), and independent lanes do
  // not wait on each other.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  double lo[4] = {kInf, kInf, kInf, kInf};
  double hi[4] = {-kInf, -kInf, -kInf, -kInf};
  for (const auto part : {buffer_.first(), buffer_.second()}) {
    std::size_t i = 0;
    for (; i + 4 <= part.size(); i += 4) {
      for (std::size_t j = 0; j < 4; ++j) {
        const Value& v = part[i + j];
        if (!v) return {kMissing};
        lo[j] = *v < lo[j] ? *v : lo[j];
        hi[j] = *v > hi[j] ? *v : hi[j];
      }
    }
    for (; i < part.size(); ++i) {
      const Value& v = part[i];
      if (!v) return {kMissing};
      lo[0] = *v < lo[0] ? *v : lo[0];
      hi[0] = *v > hi[0] ? *v : hi[0];
    }
  }
  for (std::size_t j = 1; j < 4; ++j) {
    lo[0] = lo[j] < lo[0] ? lo[j] : lo[0];
    hi[0] = hi[j] > hi[0] ? hi[j] : hi[0];
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
  if (range == 0.0) {
    add_bin(window_);  // every value in bin 0; the empty bins add nothing
  } else if (!sparse()) {
    scratch_.assign(k, 0);  // within the reserved capacity
    for (const auto part : {buffer_.first(), buffer_.second()}) {
      for (const Value& v : part) ++scratch_[bin_index(kf * ((*v - lo[0]) / range), k - 1)];
    }
    for (const std::size_t count : scratch_) add_bin(count);
  } else {
    scratch_.clear();
    for (const auto part : {buffer_.first(), buffer_.second()}) {
      for (const Value& v : part) scratch_.push_back(bin_index(kf * ((*v - lo[0]) / range), k - 1));
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
  if (normalize_) h = h / std::log(kf);
  return {h};
}

}  // namespace zerak
