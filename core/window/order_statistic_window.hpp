#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

namespace zerak {

// The present values of a sliding window in order, for selection (the i-th
// smallest) and counting (how many lie below a value), each in O(log w) plus a
// pass over a short directory.
//
// Values are held as integer keys whose signed order is the IEEE total order
// (-0 before +0, NaNs by sign and payload): equal keys are bit-identical
// values, so an element selected here is exactly the one a sort of the window
// would put there.
//
// Small windows keep one sorted array, where a slide moves only the entries
// between the leaving and the entering value. Larger ones split the order into
// blocks of at most kBlock keys, each sorted, found through a directory of
// block maxima; a block that fills up splits in two, one that falls below a
// quarter joins or evens out with a neighbour. All storage is reserved at
// construction (an impossible capacity throws there), so no slide allocates.
namespace order_statistics {

// The first of the n sorted keys at d not below k (lower) or above k (upper),
// as an index. Without branches on the keys: a window's searches land
// anywhere, so predicted branches would mostly be mispredicted.
inline std::size_t lower(const std::int64_t* d, std::size_t n, std::int64_t k) noexcept {
  if (n == 0) return 0;
  const std::int64_t* base = d;
  while (n > 1) {
    const std::size_t half = n / 2;
    base = base[half] < k ? base + half : base;
    n -= half;
  }
  return static_cast<std::size_t>(base - d) + (*base < k);
}
inline std::size_t upper(const std::int64_t* d, std::size_t n, std::int64_t k) noexcept {
  if (n == 0) return 0;
  const std::int64_t* base = d;
  while (n > 1) {
    const std::size_t half = n / 2;
    base = base[half] <= k ? base + half : base;
    n -= half;
  }
  return static_cast<std::size_t>(base - d) + (*base <= k);
}

}  // namespace order_statistics

class OrderStatisticWindow {
 public:
  // Up to this capacity the window is one sorted array.
  static constexpr std::size_t kFlatMax = 384;
  static constexpr std::size_t kBlock = 256;
  // Steps a slide walks key by key before it searches and moves at once.
  static constexpr std::ptrdiff_t kWalk = 32;

  explicit OrderStatisticWindow(std::size_t capacity);
  OrderStatisticWindow(const OrderStatisticWindow& other);
  OrderStatisticWindow& operator=(const OrderStatisticWindow&) = delete;
  OrderStatisticWindow(OrderStatisticWindow&&) noexcept = default;
  OrderStatisticWindow& operator=(OrderStatisticWindow&&) noexcept = default;

  [[nodiscard]] std::size_t size() const noexcept { return size_; }
  void clear() noexcept;

  // Adds a value; the caller never exceeds the capacity given at construction.
  void insert(double x) noexcept {
    const std::int64_t k = key(x);
    std::size_t b = blocks_ == 1 ? 0 : block_of(k);
    if (count_[b] == cap_) b = split(b, k);
    std::int64_t* const d = data(b);
    std::int64_t* const e = d + count_[b];
    std::int64_t* const at = d + order_statistics::upper(d, count_[b], k);
    std::memmove(at + 1, at, static_cast<std::size_t>(e - at) * sizeof(std::int64_t));
    *at = k;
    max_[b] = d[count_[b]++];
    ++size_;
  }

  // Removes one entry equal to `out`, which must be present.
  void erase(double out) noexcept {
    const std::int64_t k = key(out);
    const std::size_t b = blocks_ == 1 ? 0 : block_of(k);
    std::int64_t* const d = data(b);
    std::int64_t* const e = d + count_[b];
    std::int64_t* const at = d + order_statistics::lower(d, count_[b], k);
    std::memmove(at, at + 1, static_cast<std::size_t>(e - at - 1) * sizeof(std::int64_t));
    const std::uint32_t left = --count_[b];
    --size_;
    if (left != 0) max_[b] = d[left - 1];
    if (blocks_ > 1 && left < cap_ / 4) rebalance(b);
  }

  // Removes one entry equal to `out` (which must be present) and adds `in`.
  // Within one block, only the entries between the two positions move.
  void replace(double out, double in) noexcept {
    const std::int64_t ko = key(out);
    const std::int64_t ki = key(in);
    const std::size_t b = blocks_ == 1 ? 0 : block_of(ko);
    if (b != 0 && ki < max_[b - 1]) return erase(out), insert(in);
    if (b + 1 != blocks_ && ki > max_[b]) return erase(out), insert(in);
    std::int64_t* const d = data(b);
    std::int64_t* const e = d + count_[b];
    std::int64_t* at = d + order_statistics::lower(d, count_[b], ko);
    // Walk a few steps toward the entering key's place, moving keys over as
    // it goes; a longer way is searched and moved at once.
    if (ki > ko) {
      std::int64_t* const stop = e - at - 1 > kWalk ? at + kWalk : e - 1;
      while (at < stop && at[1] <= ki) {
        *at = at[1];
        ++at;
      }
      if (at == stop && stop != e - 1 && at[1] <= ki) {
        std::int64_t* const dest =
            at + 1 + order_statistics::upper(at + 1, static_cast<std::size_t>(e - at - 1), ki);
        std::memmove(at, at + 1, static_cast<std::size_t>(dest - at - 1) * sizeof(std::int64_t));
        at = dest - 1;
      }
      *at = ki;
    } else if (ki < ko) {
      std::int64_t* const stop = at - d > kWalk ? at - kWalk : d;
      while (at > stop && at[-1] > ki) {
        *at = at[-1];
        --at;
      }
      if (at == stop && stop != d && at[-1] > ki) {
        std::int64_t* const dest =
            d + order_statistics::upper(d, static_cast<std::size_t>(at - d), ki);
        std::memmove(dest + 1, dest, static_cast<std::size_t>(at - dest) * sizeof(std::int64_t));
        at = dest;
      }
      *at = ki;
    }
    max_[b] = e[-1];
  }

  // The i-th smallest value, i < size().
  [[nodiscard]] double operator[](std::size_t i) const noexcept {
    if (blocks_ == 1) return value(data(0)[i]);
    const auto [b, at] = locate(i);
    return value(data(b)[at]);
  }

  // The i-th and (i + 1)-th smallest values, i + 1 < size().
  [[nodiscard]] std::pair<double, double> adjacent(std::size_t i) const noexcept {
    if (blocks_ == 1) return {value(data(0)[i]), value(data(0)[i + 1])};
    const auto [b, at] = locate(i);
    const std::int64_t* const d = data(b);
    return {value(d[at]), value(at + 1 < count_[b] ? d[at + 1] : data(b + 1)[0])};
  }

  // How many values are below `x`, and how many are at most `x`, as numbers
  // compare (-0 equals +0). `x` is not NaN.
  [[nodiscard]] std::size_t count_below(double x) const noexcept {
    return count_keys_below(key(x == 0.0 ? -0.0 : x));
  }
  [[nodiscard]] std::size_t count_at_most(double x) const noexcept {
    return count_keys_below_or_at(key(x == 0.0 ? 0.0 : x));
  }

  // Checks the structure against its invariants (for tests): blocks sorted
  // and in order, maxima and counts consistent, sizes within bounds.
  [[nodiscard]] bool valid() const noexcept;

 private:
  // Flipping the 63 low bits of a negative double orders it as a signed
  // integer; the same flip is its own inverse.
  static std::int64_t key(double x) noexcept {
    const auto i = std::bit_cast<std::int64_t>(x);
    return i ^ static_cast<std::int64_t>(static_cast<std::uint64_t>(i >> 63) >> 1);
  }
  static double value(std::int64_t k) noexcept {
    return std::bit_cast<double>(
        k ^ static_cast<std::int64_t>(static_cast<std::uint64_t>(k >> 63) >> 1));
  }

  std::int64_t* data(std::size_t b) noexcept { return keys_.get() + std::size_t{slot_[b]} * cap_; }
  const std::int64_t* data(std::size_t b) const noexcept {
    return keys_.get() + std::size_t{slot_[b]} * cap_;
  }

  // The block where a key belongs: the first whose maximum is not below it
  // (the last block for a key above all).
  [[nodiscard]] std::size_t block_of(std::int64_t k) const noexcept {
    const std::size_t b = order_statistics::lower(max_.get(), blocks_, k);
    return b == blocks_ ? b - 1 : b;
  }

  // The block holding the i-th smallest key, and its place there: the
  // counts are walked from the nearer end.
  [[nodiscard]] std::pair<std::size_t, std::size_t> locate(std::size_t i) const noexcept {
    if (i < size_ / 2) {
      std::size_t b = 0;
      while (i >= count_[b]) i -= count_[b++];
      return {b, i};
    }
    std::size_t above = size_ - 1 - i;
    std::size_t b = blocks_ - 1;
    while (above >= count_[b]) above -= count_[b--];
    return {b, count_[b] - 1 - above};
  }

  [[nodiscard]] std::size_t count_keys_below(std::int64_t k) const noexcept;
  [[nodiscard]] std::size_t count_keys_below_or_at(std::int64_t k) const noexcept;

  // Splits full block b in two and returns the half where key k belongs.
  std::size_t split(std::size_t b, std::int64_t k) noexcept;
  // Joins block b (under a quarter full) with a neighbour, or evens them out.
  void rebalance(std::size_t b) noexcept;

  std::size_t cap_;         // keys per block
  std::size_t max_blocks_;  // blocks the storage holds
  std::size_t blocks_ = 1;  // blocks in use, in key order in the directory
  std::size_t size_ = 0;
  std::size_t free_ = 0;                    // unused storage slots on the free stack
  std::unique_ptr<std::int64_t[]> keys_;    // max_blocks_ slots of cap_ keys
  std::unique_ptr<std::uint32_t[]> slot_;   // directory: storage slot of each block
  std::unique_ptr<std::uint32_t[]> count_;  // directory: keys in each block
  std::unique_ptr<std::int64_t[]> max_;     // directory: largest key of each block
  std::unique_ptr<std::uint32_t[]> stack_;  // free storage slots
};

}  // namespace zerak
