#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "value.hpp"

namespace zerak {

template <class T>
class BasicRing;

// What a ring looked like before a tentative update, kept while RingUndo is
// armed: the slots that pushes overwrote (oldest change first) and, after a
// clear, the whole storage as it was.
template <class T>
class RingJournal {
 public:
  RingJournal() = default;
  RingJournal(const RingJournal&) = delete;
  RingJournal& operator=(const RingJournal&) = delete;

 private:
  friend class BasicRing<T>;
  template <class U>
  friend class RingUndo;

  // Recorded before the slot changes, so a failure here changes nothing.
  void overwrite(std::size_t index, const T& old) {
    if (count_ < kInline) {
      inline_[count_] = {index, old};
    } else {
      more_.emplace_back(index, old);
    }
    ++count_;
  }

  static constexpr std::size_t kInline = 4;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
  std::size_t count_ = 0;
  std::array<std::pair<std::size_t, T>, kInline> inline_{};
  std::vector<std::pair<std::size_t, T>> more_;
  bool cleared_ = false;
  std::size_t count_at_clear_ = 0;
  std::vector<T> whole_;
};

// Fixed-capacity window of values, oldest first. Storage is reserved at
// construction (an impossible capacity throws std::bad_alloc or
// std::length_error there, never later) and filled as bars arrive, so a huge
// window only touches the memory that its bars actually use.
template <class T = Value>
class BasicRing {
 public:
  explicit BasicRing(std::size_t capacity) : capacity_(capacity) { buf_.reserve(capacity); }

  BasicRing(const BasicRing& other) : capacity_(other.capacity_), head_(other.head_) {
    buf_.reserve(capacity_);
    buf_ = other.buf_;
  }
  BasicRing& operator=(const BasicRing&) = delete;
  BasicRing(BasicRing&&) noexcept = default;
  BasicRing& operator=(BasicRing&&) noexcept = default;

  [[nodiscard]] std::size_t capacity() const noexcept { return capacity_; }
  [[nodiscard]] std::size_t size() const noexcept { return buf_.size(); }
  [[nodiscard]] bool full() const noexcept { return buf_.size() == capacity_; }
  [[nodiscard]] bool empty() const noexcept { return buf_.empty(); }

  // Appends a value, overwriting the oldest once the ring is full.
  void push(const T& value) {
    if (capacity_ == 0) return;
    if (journal_ != nullptr && buf_.size() == capacity_) [[unlikely]] {
      journal_->overwrite(head_, buf_[head_]);
    }
    if (buf_.size() < capacity_) {
      buf_.push_back(value);  // within the reserved capacity: never reallocates
      return;
    }
    buf_[head_] = value;
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
  }

  // The same as push() of values[0], ..., values[n - 1] in turn; a run
  // longer than the window copies only the values that stay.
  void push_many(const T* values, std::size_t n) {
    if (n < capacity_ || journal_ != nullptr) {
      for (std::size_t i = 0; i < n; ++i) push(values[i]);
      return;
    }
    buf_.assign(values + (n - capacity_), values + n);  // within the reservation
    head_ = 0;
  }

  void clear() noexcept {
    if (journal_ != nullptr && !journal_->cleared_) [[unlikely]] {
      // Kept whole for the undo; pushes until then grow a new vector.
      journal_->whole_ = std::move(buf_);
      journal_->cleared_ = true;
      journal_->count_at_clear_ = journal_->count_;
      buf_ = std::vector<T>();
    }
    buf_.clear();  // keeps the reservation
    head_ = 0;
  }

  // i-th value from the oldest (0) to the newest (size() - 1).
  [[nodiscard]] const T& operator[](std::size_t i) const noexcept {
    const std::size_t j = head_ + i;
    return buf_[j < buf_.size() ? j : j - buf_.size()];
  }
  [[nodiscard]] const T& oldest() const noexcept { return (*this)[0]; }
  [[nodiscard]] const T& newest() const noexcept { return (*this)[buf_.size() - 1]; }

  // The window oldest first, as two contiguous pieces.
  [[nodiscard]] std::span<const T> first() const noexcept {
    return std::span<const T>(buf_).subspan(head_);
  }
  [[nodiscard]] std::span<const T> second() const noexcept {
    return std::span<const T>(buf_).first(head_);
  }

  // Calls f(value) for every value, oldest first.
  template <class F>
  void for_each(F&& f) const {
    for (const T& v : first()) f(v);
    for (const T& v : second()) f(v);
  }

 private:
  template <class U>
  friend class RingUndo;

  std::size_t capacity_;
  std::size_t head_ = 0;  // index of the oldest value once full
  std::vector<T> buf_;
  RingJournal<T>* journal_ = nullptr;  // set only while a RingUndo is armed
};

using Ring = BasicRing<Value>;

// Puts a ring back as it was when arm() was called, whatever pushes and
// clears happened since, at a cost of the slots they overwrote: a tentative
// update, then its undo. Movable until armed (the ring then points at it).
template <class T>
class RingUndo {
 public:
  explicit RingUndo(BasicRing<T>& ring) noexcept : ring_(&ring) {}
  RingUndo(RingUndo&& other) noexcept : ring_(other.ring_) {}
  RingUndo(const RingUndo&) = delete;
  RingUndo& operator=(const RingUndo&) = delete;
  RingUndo& operator=(RingUndo&&) = delete;
  ~RingUndo() { undo(); }

  void arm() noexcept {
    journal_.head_ = ring_->head_;
    journal_.size_ = ring_->buf_.size();
    ring_->journal_ = &journal_;
  }

  // Restores the ring (once); sizes only shrink back, so nothing allocates.
  void undo() noexcept {
    if (ring_->journal_ != &journal_) return;
    ring_->journal_ = nullptr;
    std::vector<T>& buf = ring_->buf_;
    std::size_t count = journal_.count_;
    if (journal_.cleared_) {
      buf = std::move(journal_.whole_);
      count = journal_.count_at_clear_;
    }
    constexpr std::size_t kInline = RingJournal<T>::kInline;
    for (std::size_t i = count; i-- > 0;) {
      const auto& [index, old] = i < kInline ? journal_.inline_[i] : journal_.more_[i - kInline];
      buf[index] = old;
    }
    buf.resize(journal_.size_);
    ring_->head_ = journal_.head_;
  }

 private:
  BasicRing<T>* ring_;
  RingJournal<T> journal_;
};

// Ring capacity for a window plus `extra` look-back entries. A sum that would
// wrap around is as impossible to allocate as any other oversized ring, so it
// throws the same way (MemoryError at the binding) instead of yielding a tiny ring.
inline std::size_t ring_capacity(std::size_t window, std::size_t extra) {
  if (window > std::numeric_limits<std::size_t>::max() - extra) {
    throw std::length_error("window too large for a ring buffer");
  }
  return window + extra;
}

}  // namespace zerak
