#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "../value.hpp"
#include "ring.hpp"

namespace zerak {

enum class Extreme : unsigned char { Min, Max };

// The smallest or largest of the last `window` bars and the bar it came from,
// in O(1) amortised per bar: a monotonic deque of (value, bar number) whose
// front is the extreme. A newcomer drops every entry it equals or beats, so
// among tied extremes the newest is kept. A missing or NaN bar enters no
// entry; it only blocks the extreme while it is in the window.
//
// The deque is derived state: a class keeps its window's values in a Ring (its
// snapshot) and rebuilds the deque from them. Only relative bar numbers are
// ever observed, so a rebuilt deque numbers the ring's bars from 1.
template <Extreme E>
class ExtremumWindow {
 public:
  explicit ExtremumWindow(std::size_t window)
      : window_(window), mask_(capacity_for(window) - 1),
        entries_(std::make_unique_for_overwrite<Entry[]>(mask_ + 1)) {}

  ExtremumWindow(const ExtremumWindow& other)
      : window_(other.window_), mask_(other.mask_), head_(other.head_), size_(other.size_),
        bars_(other.bars_), gap_(other.gap_),
        entries_(std::make_unique_for_overwrite<Entry[]>(mask_ + 1)) {
    for (std::size_t i = 0; i < size_; ++i) {
      const std::size_t j = (head_ + i) & mask_;
      entries_[j] = other.entries_[j];
    }
  }
  ExtremumWindow& operator=(const ExtremumWindow&) = delete;
  ExtremumWindow(ExtremumWindow&&) noexcept = default;
  ExtremumWindow& operator=(ExtremumWindow&&) noexcept = default;

  void clear() noexcept {
    head_ = 0;
    size_ = 0;
    bars_ = 0;
    gap_ = 0;
  }

  // The next bar.
  void push(const Value& v) noexcept {
    ++bars_;
    // Entries have distinct bars, so at most one (bar bars_ - window_) leaves.
    if (size_ != 0 && entries_[head_].bar + window_ <= bars_) {
      head_ = (head_ + 1) & mask_;
      --size_;
    }
    if (!v || std::isnan(*v)) {
      gap_ = bars_;
      return;
    }
    const double x = *v;
    while (size_ != 0 && !beats(entries_[(head_ + size_ - 1) & mask_].value, x)) --size_;
    entries_[(head_ + size_) & mask_] = Entry{x, bars_};
    ++size_;
  }

  // A full window without a missing or NaN bar: extreme() and age() hold.
  [[nodiscard]] bool ready() const noexcept { return gap_ + window_ <= bars_; }
  [[nodiscard]] double extreme() const noexcept { return entries_[head_].value; }
  // Bars from the (newest) extreme to the newest bar: 0 when it is the newest.
  [[nodiscard]] std::uint64_t age() const noexcept { return bars_ - entries_[head_].bar; }

  // Forgets everything, then takes the ring's bars oldest first.
  void rebuild(const Ring& ring) noexcept {
    clear();
    ring.for_each([this](const Value& v) { push(v); });
  }

 private:
  struct Entry {
    double value;
    std::uint64_t bar;  // numbered from 1
  };

  // Whether an entry holding `kept` survives a newcomer `x`: ties go to the newcomer.
  static bool beats(double kept, double x) noexcept {
    if constexpr (E == Extreme::Max) {
      return kept > x;
    } else {
      return kept < x;
    }
  }

  // A window holds at most `window` entries; a power of two indexes by mask.
  static std::size_t capacity_for(std::size_t window) {
    if (window > (std::size_t{1} << 58)) throw std::length_error("window too large for a deque");
    return std::bit_ceil(window == 0 ? std::size_t{1} : window);
  }

  std::uint64_t window_;
  std::size_t mask_;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
  std::uint64_t bars_ = 0;  // bars pushed; the newest is bar bars_
  std::uint64_t gap_ = 0;   // the newest missing or NaN bar, 0 for none
  std::unique_ptr<Entry[]> entries_;
};

// Pushes the last `bars` inputs into a ring, of which it keeps only the newest
// capacity(): a block kernel stores its window once, at the end of the block.
inline void push_newest(Ring& ring, const Value* in, std::size_t bars) {
  const std::size_t from = bars > ring.capacity() ? bars - ring.capacity() : 0;
  for (std::size_t i = from; i < bars; ++i) ring.push(in[i]);
}

}  // namespace zerak
