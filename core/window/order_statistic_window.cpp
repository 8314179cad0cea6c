#include "order_statistic_window.hpp"

#include <limits>
#include <stdexcept>

namespace zerak {
namespace {

template <class T>
std::unique_ptr<T[]> storage(std::size_t n) {
  return std::unique_ptr<T[]>(new T[n]);  // left untouched until used
}

}  // namespace

OrderStatisticWindow::OrderStatisticWindow(std::size_t capacity) {
  if (capacity <= kFlatMax) {
    cap_ = capacity == 0 ? 1 : capacity;
    max_blocks_ = 1;
  } else {
    // With more than one block each holds at least a quarter of kBlock, and a
    // split needs one more slot.
    cap_ = kBlock;
    max_blocks_ = capacity / (kBlock / 4) + 2;
    if (max_blocks_ > std::numeric_limits<std::uint32_t>::max() ||
        max_blocks_ > std::numeric_limits<std::size_t>::max() / sizeof(std::int64_t) / cap_) {
      throw std::length_error("window too large for an order-statistics window");
    }
  }
  keys_ = storage<std::int64_t>(max_blocks_ * cap_);
  slot_ = storage<std::uint32_t>(max_blocks_);
  count_ = storage<std::uint32_t>(max_blocks_);
  max_ = storage<std::int64_t>(max_blocks_);
  stack_ = storage<std::uint32_t>(max_blocks_);
  clear();
}

OrderStatisticWindow::OrderStatisticWindow(const OrderStatisticWindow& other)
    : cap_(other.cap_),
      max_blocks_(other.max_blocks_),
      blocks_(other.blocks_),
      size_(other.size_),
      free_(other.free_),
      keys_(storage<std::int64_t>(max_blocks_ * cap_)),
      slot_(storage<std::uint32_t>(max_blocks_)),
      count_(storage<std::uint32_t>(max_blocks_)),
      max_(storage<std::int64_t>(max_blocks_)),
      stack_(storage<std::uint32_t>(max_blocks_)) {
  std::copy_n(other.slot_.get(), blocks_, slot_.get());
  std::copy_n(other.count_.get(), blocks_, count_.get());
  std::copy_n(other.max_.get(), blocks_, max_.get());
  std::copy_n(other.stack_.get(), free_, stack_.get());
  for (std::size_t b = 0; b < blocks_; ++b) std::copy_n(other.data(b), count_[b], data(b));
}

void OrderStatisticWindow::clear() noexcept {
  blocks_ = 1;
  size_ = 0;
  slot_[0] = 0;
  count_[0] = 0;
  max_[0] = std::numeric_limits<std::int64_t>::max();
  free_ = 0;
  for (std::size_t s = max_blocks_; s-- > 1;) stack_[free_++] = static_cast<std::uint32_t>(s);
}

std::size_t OrderStatisticWindow::count_keys_below(std::int64_t k) const noexcept {
  // Blocks before the first whose maximum reaches k lie wholly below it.
  std::size_t b = 0;
  std::size_t n = 0;
  while (b + 1 < blocks_ && max_[b] < k) n += count_[b++];
  const std::int64_t* const d = data(b);
  return n + order_statistics::lower(d, count_[b], k);
}

std::size_t OrderStatisticWindow::count_keys_below_or_at(std::int64_t k) const noexcept {
  std::size_t b = 0;
  std::size_t n = 0;
  while (b + 1 < blocks_ && max_[b] <= k) n += count_[b++];
  const std::int64_t* const d = data(b);
  return n + order_statistics::upper(d, count_[b], k);
}

std::size_t OrderStatisticWindow::split(std::size_t b, std::int64_t k) noexcept {
  const std::uint32_t s = stack_[--free_];
  const std::size_t half = cap_ / 2;
  std::int64_t* const d = data(b);
  std::copy_n(d + half, cap_ - half, keys_.get() + std::size_t{s} * cap_);
  // Open directory entry b + 1 for the upper half.
  const std::size_t tail = blocks_ - b - 1;
  std::memmove(slot_.get() + b + 2, slot_.get() + b + 1, tail * sizeof(std::uint32_t));
  std::memmove(count_.get() + b + 2, count_.get() + b + 1, tail * sizeof(std::uint32_t));
  std::memmove(max_.get() + b + 2, max_.get() + b + 1, tail * sizeof(std::int64_t));
  ++blocks_;
  slot_[b + 1] = s;
  count_[b + 1] = static_cast<std::uint32_t>(cap_ - half);
  max_[b + 1] = max_[b];
  count_[b] = static_cast<std::uint32_t>(half);
  max_[b] = d[half - 1];
  return k > max_[b] ? b + 1 : b;
}

void OrderStatisticWindow::rebalance(std::size_t b) noexcept {
  const std::size_t l = b + 1 < blocks_ ? b : b - 1;
  const std::size_t r = l + 1;
  std::int64_t* const dl = data(l);
  std::int64_t* const dr = data(r);
  const std::size_t nl = count_[l];
  const std::size_t nr = count_[r];
  const std::size_t total = nl + nr;
  if (total <= cap_ * 3 / 4) {  // join r into l and drop r's directory entry
    std::copy_n(dr, nr, dl + nl);
    count_[l] = static_cast<std::uint32_t>(total);
    max_[l] = dl[total - 1];
    stack_[free_++] = slot_[r];
    const std::size_t tail = blocks_ - r - 1;
    std::memmove(slot_.get() + r, slot_.get() + r + 1, tail * sizeof(std::uint32_t));
    std::memmove(count_.get() + r, count_.get() + r + 1, tail * sizeof(std::uint32_t));
    std::memmove(max_.get() + r, max_.get() + r + 1, tail * sizeof(std::int64_t));
    --blocks_;
    return;
  }
  const std::size_t half = total / 2;  // even out: l keeps the lower half
  if (nl > half) {
    const std::size_t m = nl - half;
    std::memmove(dr + m, dr, nr * sizeof(std::int64_t));
    std::copy_n(dl + half, m, dr);
  } else {
    const std::size_t m = half - nl;
    std::copy_n(dr, m, dl + nl);
    std::memmove(dr, dr + m, (nr - m) * sizeof(std::int64_t));
  }
  count_[l] = static_cast<std::uint32_t>(half);
  count_[r] = static_cast<std::uint32_t>(total - half);
  max_[l] = dl[half - 1];
}

bool OrderStatisticWindow::valid() const noexcept {
  if (blocks_ == 0 || blocks_ > max_blocks_ || blocks_ + free_ != max_blocks_) return false;
  std::size_t n = 0;
  for (std::size_t b = 0; b < blocks_; ++b) {
    const std::int64_t* const d = data(b);
    const std::size_t c = count_[b];
    if (c > cap_ || (blocks_ > 1 && c < cap_ / 4)) return false;
    if (!std::is_sorted(d, d + c)) return false;
    if (c != 0 && max_[b] != d[c - 1]) return false;
    if (b > 0 && c != 0 && d[0] < max_[b - 1]) return false;
    n += c;
  }
  return n == size_;
}

}  // namespace zerak
