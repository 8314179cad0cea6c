#include "median.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace zerak::reference {
namespace {

// Maps a double to an integer whose signed order is the IEEE total order.
std::int64_t total_order_key(double x) noexcept {
  const auto i = std::bit_cast<std::int64_t>(x);
  return i ^ static_cast<std::int64_t>(static_cast<std::uint64_t>(i >> 63) >> 1);
}

bool total_less(double a, double b) noexcept { return total_order_key(a) < total_order_key(b); }

}  // namespace

Value median(std::span<const Value> values) {
  if (values.empty()) return kMissing;
  std::vector<double> sorted;
  for (const Value& v : values) {
    if (!v) return kMissing;
    sorted.push_back(*v);
  }
  // A full sort, the plainest statement of which values sit in the middle.
  std::sort(sorted.begin(), sorted.end(), total_less);
  const std::size_t mid = sorted.size() / 2;
  if (sorted.size() % 2 == 1) return sorted[mid];
  return (sorted[mid - 1] + sorted[mid]) * 0.5;
}

}  // namespace zerak::reference
