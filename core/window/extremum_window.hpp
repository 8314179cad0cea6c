#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "value.hpp"
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
  struct Entry {
    double value;
    std::uint64_t bar;  // numbered from 1
  };

 public:
  // The window's moving parts by value, for a loop over many bars: as a local
  // object the compiler keeps them in registers, where the members would be
  // reloaded after every store into the deque. take() puts them back.
  class Cursor {
   public:
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
      if (size_ == 0 || !beats(entries_[head_].value, x)) {
        // The new extreme: every entry goes.
        entries_[head_] = Entry{x, bars_};
        size_ = 1;
        return;
      }
      // The front beats x, so the search stops there at the latest.
      std::size_t back = head_ + size_ - 1;
      while (!beats(entries_[back & mask_].value, x)) --back;
      entries_[(back + 1) & mask_] = Entry{x, bars_};
      size_ = back + 2 - head_;
    }

    // A full window without a missing or NaN bar: extreme() and age() hold.
    [[nodiscard]] bool ready() const noexcept { return gap_ + window_ <= bars_; }
    [[nodiscard]] double extreme() const noexcept { return entries_[head_].value; }
    // No present, non-NaN value in the window: extreme() does not hold.
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
    // Bars from the (newest) extreme to the newest bar: 0 when it is the newest.
    [[nodiscard]] std::uint64_t age() const noexcept { return bars_ - entries_[head_].bar; }

   private:
    friend class ExtremumWindow;
    Cursor(Entry* entries, std::size_t mask, std::uint64_t window) noexcept
        : entries_(entries), mask_(mask), window_(window) {}

    Entry* entries_;
    std::size_t mask_;
    std::uint64_t window_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    std::uint64_t bars_ = 0;  // bars pushed; the newest is bar bars_
    std::uint64_t gap_ = 0;   // the newest missing or NaN bar, 0 for none
  };

  explicit ExtremumWindow(std::size_t window)
      : mask_(capacity_for(window) - 1),
        entries_(std::make_unique_for_overwrite<Entry[]>(mask_ + 1)),
        at_(entries_.get(), mask_, window) {}

  ExtremumWindow(const ExtremumWindow& other)
      : mask_(other.mask_),
        entries_(std::make_unique_for_overwrite<Entry[]>(mask_ + 1)),
        at_(other.at_) {
    at_.entries_ = entries_.get();
    for (std::size_t i = 0; i < at_.size_; ++i) {
      const std::size_t j = (at_.head_ + i) & mask_;
      entries_[j] = other.entries_[j];
    }
  }
  ExtremumWindow& operator=(const ExtremumWindow&) = delete;
  ExtremumWindow(ExtremumWindow&&) noexcept = default;
  ExtremumWindow& operator=(ExtremumWindow&&) noexcept = default;

  void clear() noexcept {
    at_.head_ = 0;
    at_.size_ = 0;
    at_.bars_ = 0;
    at_.gap_ = 0;
  }

  void push(const Value& v) noexcept { at_.push(v); }
  [[nodiscard]] bool ready() const noexcept { return at_.ready(); }
  [[nodiscard]] double extreme() const noexcept { return at_.extreme(); }
  [[nodiscard]] bool empty() const noexcept { return at_.empty(); }
  [[nodiscard]] std::uint64_t age() const noexcept { return at_.age(); }

  // The state to step through a block with, and back.
  [[nodiscard]] Cursor cursor() const noexcept { return at_; }
  void take(const Cursor& c) noexcept { at_ = c; }

  // Forgets everything, then takes the ring's bars oldest first.
  void rebuild(const Ring& ring) noexcept {
    clear();
    ring.for_each([this](const Value& v) { push(v); });
  }

 private:
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

  std::size_t mask_;
  std::unique_ptr<Entry[]> entries_;
  Cursor at_;
};

// Pushes the last `bars` inputs into a ring, of which it keeps only the newest
// capacity(): a block kernel stores its window once, at the end of the block.
inline void push_newest(Ring& ring, const Value* in, std::size_t bars) {
  const std::size_t from = bars > ring.capacity() ? bars - ring.capacity() : 0;
  for (std::size_t i = from; i < bars; ++i) ring.push(in[i]);
}

}  // namespace zerak
