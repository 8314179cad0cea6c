#include "cross_section.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace zerak {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Linear interpolation between neighbours of the sorted values, written as
// numpy's percentile does it so that the clip bounds match its quantiles.
double quantile(const std::vector<std::pair<double, std::uint32_t>>& sorted, double q) {
  const double pos = q * double(sorted.size() - 1);
  const std::size_t lo = std::size_t(std::floor(pos));
  const std::size_t hi = std::min(lo + 1, sorted.size() - 1);
  const double t = pos - double(lo);
  const double a = sorted[lo].first;
  const double b = sorted[hi].first;
  const double diff = b - a;
  return t >= 0.5 ? b - diff * (1.0 - t) : a + diff * t;
}

// An unsigned key in the order of the doubles (no NaN; -0 and +0 alike).
std::uint64_t order_key(double x) noexcept {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x == 0.0 ? 0.0 : x);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Sorts (key, symbol) pairs by key: least significant digit first, 11 bits
// at a time, skipping the digits all keys share (values of one magnitude
// share their exponent). Far quicker than comparison sorting for a few
// thousand symbols.
void radix_sort(CrossSection::Scratch& s) {
  constexpr int kBits = 11;
  constexpr std::size_t kBins = std::size_t{1} << kBits;
  constexpr int kPasses = (64 + kBits - 1) / kBits;
  auto& keys = s.keys;
  auto& spare = s.keys_spare;
  const std::size_t n = keys.size();
  s.histogram.assign(kBins * kPasses, 0);
  std::uint32_t* hist = s.histogram.data();
  for (const auto& [key, i] : keys) {
    for (int p = 0; p < kPasses; ++p) ++hist[p * kBins + ((key >> (p * kBits)) & (kBins - 1))];
  }
  spare.resize(n);
  for (int p = 0; p < kPasses; ++p) {
    std::uint32_t* counts = hist + p * kBins;
    const std::uint64_t digit = (keys[0].first >> (p * kBits)) & (kBins - 1);
    if (counts[digit] == n) continue;  // one digit for all: the order stands
    std::uint32_t total = 0;
    for (std::size_t b = 0; b < kBins; ++b) {
      const std::uint32_t c = counts[b];
      counts[b] = total;
      total += c;
    }
    for (const auto& item : keys) spare[counts[(item.first >> (p * kBits)) & (kBins - 1)]++] = item;
    keys.swap(spare);
  }
}

}  // namespace

Result<CrossSection> CrossSection::create(Kind kind, Names inputs, Names outputs, double a,
                                          double b) {
  if (inputs.empty()) return ZerakError::invalid_config("inputs must not be empty");
  if (outputs.size() != inputs.size()) {
    return ZerakError::invalid_config("expected " + std::to_string(inputs.size()) +
                                      " output name(s), one per input, got " +
                                      std::to_string(outputs.size()));
  }
  switch (kind) {
    case Kind::kZScore:
      if (!(a >= 0) || a != std::floor(a)) {
        return ZerakError::invalid_config("ddof must be a non-negative integer");
      }
      break;
    case Kind::kClip:
      if (!(a >= 0 && a <= b && b <= 1)) {
        return ZerakError::invalid_config("expected 0 <= lower <= upper <= 1");
      }
      break;
    case Kind::kBucket:
      if (!(a >= 1 && a <= 1e6) || a != std::floor(a)) {
        return ZerakError::invalid_config("buckets must be an integer from 1 to 1000000");
      }
      break;
    default: break;
  }
  return CrossSection(kind, std::move(inputs), std::move(outputs), a, b);
}

void CrossSection::apply(const Value* in, Value* out, std::size_t stride, std::size_t n,
                         const std::uint8_t* active, Scratch& scratch) const {
  auto& present = scratch.sorted;
  present.clear();
  for (std::size_t i = 0; i < n; ++i) {
    const Value& v = in[i * stride];
    if (active[i] != 0 && v && !std::isnan(*v)) present.emplace_back(*v, std::uint32_t(i));
    out[i * stride] = kMissing;
  }
  const std::size_t count = present.size();
  if (count == 0) return;
  const double total = double(count);

  if (kind_ == Kind::kZScore || kind_ == Kind::kDemean) {
    // Summed in symbol order, so live and research agree bit for bit.
    double sum = 0.0;
    for (const auto& [x, i] : present) sum += x;
    const double mean = sum / total;
    if (kind_ == Kind::kDemean) {
      for (const auto& [x, i] : present) out[i * stride] = x - mean;
      return;
    }
    double squares = 0.0;
    for (const auto& [x, i] : present) squares += (x - mean) * (x - mean);
    const double dof = total - a_;
    const double sd = dof > 0 ? std::sqrt(squares / dof) : kNaN;
    for (const auto& [x, i] : present) out[i * stride] = (x - mean) / sd;
    return;
  }

  if (kind_ == Kind::kClip) {
    auto& by_value = scratch.spare;  // sorted for the bounds; present keeps symbol order
    by_value.assign(present.begin(), present.end());
    std::sort(by_value.begin(), by_value.end());
    const double lo = quantile(by_value, a_);
    const double hi = quantile(by_value, b_);
    for (const auto& [x, i] : present) out[i * stride] = std::min(std::max(x, lo), hi);
    return;
  }

  // Rank and bucket: ties get the average of the ranks they span.
  auto& keys = scratch.keys;
  keys.clear();
  for (const auto& [x, i] : present) keys.emplace_back(order_key(x), i);
  if (count < 64) {
    std::sort(keys.begin(), keys.end());
  } else {
    radix_sort(scratch);
  }
  for (std::size_t g = 0; g < count;) {
    std::size_t h = g + 1;
    while (h < count && keys[h].first == keys[g].first) ++h;
    const double rank = double(g + 1 + h) / 2.0;
    double result;
    if (kind_ == Kind::kRank) {
      result = rank / total;
    } else {
      // rank * buckets is exact, so a whole quotient lands on its bucket.
      result = std::clamp(std::ceil(rank * a_ / total) - 1.0, 0.0, a_ - 1.0);
    }
    for (std::size_t k = g; k < h; ++k) out[keys[k].second * stride] = result;
    g = h;
  }
}

}  // namespace zerak
