#include "cross_section.hpp"

#include <algorithm>
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
    default:
      break;
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
  std::sort(present.begin(), present.end());
  for (std::size_t g = 0; g < count;) {
    std::size_t h = g + 1;
    while (h < count && present[h].first == present[g].first) ++h;
    const double rank = double(g + 1 + h) / 2.0;
    double result;
    if (kind_ == Kind::kRank) {
      result = rank / total;
    } else {
      // rank * buckets is exact, so a whole quotient lands on its bucket.
      result = std::clamp(std::ceil(rank * a_ / total) - 1.0, 0.0, a_ - 1.0);
    }
    for (std::size_t k = g; k < h; ++k) out[present[k].second * stride] = result;
    g = h;
  }
}

}  // namespace zerak
