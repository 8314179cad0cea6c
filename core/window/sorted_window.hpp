#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zerak {

// The present values of a sliding window kept sorted by the IEEE total order
// (-0 before +0, NaNs by sign and payload), as integer keys whose signed order
// is that order. Values with equal keys are bit-identical, so an element
// selected here is exactly the one a sort of the window would put there.
// A slide moves only the entries between the leaving and the entering value.
class SortedWindow {
 public:
  explicit SortedWindow(std::size_t capacity) { keys_.reserve(capacity); }
  SortedWindow(const SortedWindow& other) {
    keys_.reserve(other.keys_.capacity());  // a copy never reallocates later either
    keys_ = other.keys_;
  }
  SortedWindow& operator=(const SortedWindow&) = delete;
  SortedWindow(SortedWindow&&) noexcept = default;
  SortedWindow& operator=(SortedWindow&&) noexcept = default;

  [[nodiscard]] std::size_t size() const noexcept { return keys_.size(); }
  void clear() noexcept { keys_.clear(); }

  // Adds a value; the caller never exceeds the capacity given at construction.
  void insert(double x) {
    const std::int64_t k = key(x);
    keys_.insert(std::upper_bound(keys_.begin(), keys_.end(), k), k);
  }

  // Removes one entry equal to `out` (which must be present) and adds `in`,
  // shifting only the entries between the two positions.
  void replace(double out, double in) noexcept {
    const std::int64_t ko = key(out);
    const std::int64_t ki = key(in);
    std::int64_t* const b = keys_.data();
    std::int64_t* const e = b + keys_.size();
    std::int64_t* const at = std::lower_bound(b, e, ko);
    if (ki > ko) {  // shift (at, dest) one step left, dest = first key > ki
      std::int64_t* const dest = std::upper_bound(at + 1, e, ki);
      std::memmove(at, at + 1, static_cast<std::size_t>(dest - at - 1) * sizeof(std::int64_t));
      *(dest - 1) = ki;
    } else if (ki < ko) {  // shift [dest, at) one step right, dest = first key > ki
      std::int64_t* const dest = std::upper_bound(b, at, ki);
      std::memmove(dest + 1, dest, static_cast<std::size_t>(at - dest) * sizeof(std::int64_t));
      *dest = ki;
    }
  }

  // Removes one entry equal to `out`, which must be present.
  void erase(double out) noexcept {
    keys_.erase(std::lower_bound(keys_.begin(), keys_.end(), key(out)));
  }

  // The i-th smallest value.
  [[nodiscard]] double operator[](std::size_t i) const noexcept { return value(keys_[i]); }

 private:
  // Flipping the 63 low bits of a negative double orders it as a signed
  // integer; the same flip is its own inverse.
  static std::int64_t key(double x) noexcept {
    const auto i = std::bit_cast<std::int64_t>(x);
    return i ^ static_cast<std::int64_t>(static_cast<std::uint64_t>(i >> 63) >> 1);
  }
  static double value(std::int64_t k) noexcept {
    return std::bit_cast<double>(k ^ static_cast<std::int64_t>(static_cast<std::uint64_t>(k >> 63) >> 1));
  }

  std::vector<std::int64_t> keys_;
};

}  // namespace zerak
