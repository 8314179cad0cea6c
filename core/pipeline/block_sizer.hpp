#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>

namespace zerak {

// How many bars the next research block holds. Blocks start small and
// double while they run quickly, up to `most`, and halve when one runs long:
// a slow pipeline (a wide Adf) still hands control back every few
// milliseconds, so that signals are seen, while a fast one soon runs
// cache-sized blocks. Results never depend on the sizes chosen.
class BlockSizer {
 public:
  explicit BlockSizer(std::size_t most) noexcept
      : most_(std::max(most, kLeast)), bars_(std::min(kFirst, most_)) {}

  [[nodiscard]] std::size_t bars() const noexcept { return bars_; }

  void record(std::chrono::steady_clock::duration took) noexcept {
    if (took < kQuick && bars_ < most_) {
      bars_ = std::min(bars_ * 2, most_);
    } else if (took > kLong && bars_ > kLeast) {
      bars_ = std::max(bars_ / 2, kLeast);
    }
  }

 private:
  static constexpr std::size_t kLeast = 8;
  static constexpr std::size_t kFirst = 256;
  static constexpr std::chrono::milliseconds kQuick{4};
  static constexpr std::chrono::milliseconds kLong{16};

  std::size_t most_;
  std::size_t bars_;
};

}  // namespace zerak
