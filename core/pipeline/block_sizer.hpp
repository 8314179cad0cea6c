#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>

namespace zerak {

// How many bars the next research block holds. Every block is sized from the
// time per bar of the one before: as many bars as run in about kAim, at most
// twice the bars of the last block. A slow pipeline (a wide Adf) so hands
// control back every few milliseconds, and a block that ran slow makes the
// next one fit at once; a fast one soon runs cache-sized blocks. Costs can
// still jump inside a block (a transform leaving its warm-up): where the
// caller knows they may, it ends the block there and restart()s from the
// smallest size. Results never depend on the sizes chosen.
class BlockSizer {
 public:
  explicit BlockSizer(std::size_t most) noexcept
      : most_(std::max(most, kLeast)), bars_(std::min(kFirst, most_)) {}

  [[nodiscard]] std::size_t bars() const noexcept { return bars_; }

  // A block of `count` bars took `took`.
  void record(std::size_t count, std::chrono::steady_clock::duration took) noexcept {
    if (count == 0) return;
    const auto per_bar = std::max<std::chrono::nanoseconds::rep>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(took).count() /
            static_cast<std::chrono::nanoseconds::rep>(count),
        1);
    const auto fit = static_cast<std::size_t>(std::chrono::nanoseconds(kAim).count() / per_bar);
    bars_ = std::clamp(std::min(fit, 2 * bars_), kLeast, most_);
  }

  // The cost per bar may change from here on.
  void restart() noexcept { bars_ = kLeast; }

 private:
  static constexpr std::size_t kLeast = 8;
  static constexpr std::size_t kFirst = 64;
  static constexpr std::chrono::milliseconds kAim{5};

  std::size_t most_;
  std::size_t bars_;
};

}  // namespace zerak
