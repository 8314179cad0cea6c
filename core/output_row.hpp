#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "value.hpp"

namespace zerak {

// The values of one update, one per output. Up to four live inline, so a
// bar's result allocates nothing; a fifth value moves them to the heap.
class OutputRow {
 public:
  static constexpr std::size_t kInlineCapacity = 4;

  OutputRow() noexcept = default;
  OutputRow(std::initializer_list<Value> values) {
    if (values.size() <= kInlineCapacity) {  // every transform's case: no loop of push_backs
      std::copy(values.begin(), values.end(), inline_.begin());
      size_ = values.size();
      return;
    }
    for (const Value& v : values) push_back(v);
  }

  void push_back(Value value) {
    if (spilled_.empty() && size_ < kInlineCapacity) {
      inline_[size_++] = value;
      return;
    }
    if (spilled_.empty()) {
      spilled_.reserve(2 * kInlineCapacity);
      spilled_.assign(inline_.begin(), inline_.end());
    }
    spilled_.push_back(value);
    ++size_;
  }

  [[nodiscard]] std::size_t size() const noexcept { return size_; }
  [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
  [[nodiscard]] bool is_inline() const noexcept { return spilled_.empty(); }

  [[nodiscard]] const Value* data() const noexcept {
    return spilled_.empty() ? inline_.data() : spilled_.data();
  }
  [[nodiscard]] const Value& operator[](std::size_t i) const noexcept { return data()[i]; }
  [[nodiscard]] const Value* begin() const noexcept { return data(); }
  [[nodiscard]] const Value* end() const noexcept { return data() + size_; }

 private:
  std::array<Value, kInlineCapacity> inline_{};
  std::vector<Value> spilled_;
  std::size_t size_ = 0;
};

}  // namespace zerak
