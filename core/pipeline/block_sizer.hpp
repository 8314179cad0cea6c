#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>

namespace zerak {

// How many bars the next research block holds, and how many of them to run
// before looking at the clock again. Both follow the latest cost per bar: a
// block takes about kAim (at most twice the bars of the one before), a part
// kPartPerStep per transform, enough to hide a call of each. A slow pipeline
// (a wide Adf) so hands control back every few milliseconds, and a fast one
// soon runs cache-sized blocks in one part. When the cost jumps inside a
// block (a window that held a missing value and no longer does), the part
// that ran slow shows it: the caller ends the block once overdue(), and the
// next one fits the new cost. Where the caller knows costs may jump (a
// transform ending its warm-up, a thousand times dearer from there), it ends
// the block there and restart()s. Results never depend on the sizes chosen.
class BlockSizer {
 public:
  using Duration = std::chrono::steady_clock::duration;

  // `first`: the size the last run ended with, if the caller kept it (0:
  // none); `steps`: the transforms each part calls.
  explicit BlockSizer(std::size_t most, std::size_t first = 0, std::size_t steps = 1) noexcept
      : most_(std::max(most, kLeast)),
        bars_(std::clamp(first != 0 ? first : kFirst, kLeast, most_)),
        part_(most_),
        part_aim_(kPartPerStep * static_cast<std::chrono::microseconds::rep>(
                                     std::clamp<std::size_t>(steps, 1, kMostStepsPerPart))) {}

  [[nodiscard]] std::size_t bars() const noexcept { return bars_; }
  [[nodiscard]] std::size_t part() const noexcept { return part_; }

  // `count` bars just took `took`: the cost per bar from now on.
  void time(std::size_t count, Duration took) noexcept {
    if (count == 0) return;
    ns_per_bar_ = nanoseconds(took) / static_cast<double>(count);
    part_ = fit(part_aim_);
  }
  // A whole block that ran in parts, each already timed: the dearer of its
  // average (which counts filling it) and its last part.
  void time_block(std::size_t count, Duration took) noexcept {
    if (count == 0) return;
    ns_per_bar_ = std::max(ns_per_bar_, nanoseconds(took) / static_cast<double>(count));
    part_ = fit(part_aim_);
  }

  // Sizes the next block from the latest cost per bar.
  void next_block() noexcept { bars_ = std::clamp(std::min(fit(kAim), 2 * bars_), kLeast, most_); }
  // The cost per bar may change from here on: the next block is the smallest.
  void restart() noexcept { bars_ = kLeast; }

  // Whether a block that has run for `elapsed` should end at its next part.
  [[nodiscard]] static bool overdue(Duration elapsed) noexcept { return elapsed > 2 * kAim; }

 private:
  static constexpr std::size_t kLeast = 8;
  static constexpr std::size_t kFirst = 64;
  static constexpr std::chrono::microseconds kAim{5000};
  static constexpr std::chrono::microseconds kPartPerStep{30};
  static constexpr std::size_t kMostStepsPerPart = 16;  // parts of at most ~0.5 ms

  static double nanoseconds(Duration d) noexcept {
    return static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
  }
  // Bars that run in about `aim` at the latest cost, within [kLeast, most_].
  [[nodiscard]] std::size_t fit(std::chrono::microseconds aim) const noexcept {
    const double bars = static_cast<double>(aim.count()) * 1e3 / std::max(ns_per_bar_, 1e-3);
    if (bars >= static_cast<double>(most_)) return most_;
    return std::max(static_cast<std::size_t>(bars), kLeast);
  }

  std::size_t most_;
  std::size_t bars_;
  std::size_t part_;  // most_ until a cost is known
  std::chrono::microseconds part_aim_;
  double ns_per_bar_ = 0.0;
};

}  // namespace zerak
