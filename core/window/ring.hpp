#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <stdexcept>
#include <vector>

#include "../value.hpp"

namespace zerak {

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
    if (buf_.size() < capacity_) {
      buf_.push_back(value);  // within the reserved capacity: never reallocates
      return;
    }
    buf_[head_] = value;
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
  }

  void clear() noexcept {
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
  std::size_t capacity_;
  std::size_t head_ = 0;  // index of the oldest value once full
  std::vector<T> buf_;
};

using Ring = BasicRing<Value>;

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
