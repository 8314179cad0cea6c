#include "stats.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace zerak {
namespace {

// Maps a double to an integer whose signed order is the IEEE total order.
inline std::int64_t total_order_key(double x) noexcept {
  const auto i = std::bit_cast<std::int64_t>(x);
  return i ^ static_cast<std::int64_t>(static_cast<std::uint64_t>(i >> 63) >> 1);
}

inline bool total_less(double a, double b) noexcept {
  return total_order_key(a) < total_order_key(b);
}

}  // namespace

double median_in_place(std::span<double> values) noexcept {
  // Selection instead of a full sort: values with equal keys are bit-identical,
  // so the middle elements are exactly those a sort would put there.
  const std::size_t n = values.size();
  const auto mid = values.begin() + static_cast<std::ptrdiff_t>(n / 2);
  std::nth_element(values.begin(), mid, values.end(), total_less);
  if (n % 2 == 1) return *mid;
  const double below = *std::max_element(values.begin(), mid, total_less);
  return (below + *mid) * 0.5;
}

Value median(std::span<const Value> values) {
  if (values.empty()) return kMissing;
  std::vector<double> copy;
  copy.reserve(values.size());
  for (const Value& v : values) {
    if (!v) return kMissing;
    copy.push_back(*v);
  }
  return median_in_place(copy);
}

}  // namespace zerak
