#include "shift.hpp"

#include <algorithm>

namespace zerak::tools {
namespace {

std::vector<Value> shifted(std::span<const Value> series, std::uint64_t magnitude, bool ahead) {
  const std::size_t len = series.size();
  std::vector<Value> out(len, kMissing);
  if (magnitude >= len) return out;
  const auto k = static_cast<std::size_t>(magnitude);
  if (ahead) {
    std::copy(series.begin() + k, series.end(), out.begin());
  } else {
    std::copy(series.begin(), series.end() - k, out.begin() + k);
  }
  return out;
}

}  // namespace

std::vector<Value> shift(std::span<const Value> series, std::int64_t n) {
  // |INT64_MIN| does not fit in int64_t; take the magnitude in unsigned arithmetic.
  const std::uint64_t magnitude =
      n < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  return shifted(series, magnitude, n < 0);
}

std::vector<Value> shift_ahead(std::vector<Value> series, std::size_t ahead) {
  const std::size_t len = series.size();
  const std::size_t k = ahead < len ? ahead : len;
  std::move(series.begin() + static_cast<std::ptrdiff_t>(k), series.end(), series.begin());
  std::fill(series.end() - static_cast<std::ptrdiff_t>(k), series.end(), kMissing);
  return series;
}

}  // namespace zerak::tools
