#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "value.hpp"

namespace zerak {

// What a run of bars sees through a window: the entries held before the run
// (oldest first) followed by the run's own, as plain doubles (0.0 where
// missing) for the window kernels, with exact prefix counts of the missing
// entries and of the places where a value differs from the one before it.
class BlockSeries {
 public:
  // Entry i is history(i) for i < held, then bar(i - held) for the run.
  template <class History, class Bar>
  void assign(std::size_t held, History&& history, std::size_t bars, Bar&& bar) {
    const std::size_t n = held + bars;
    values_.resize(n);
    missing_.resize(n + 1);
    double* values = values_.data();
    std::size_t* missing = missing_.data();
    std::size_t count = 0;
    missing[0] = 0;
    const auto put = [&](std::size_t i, const Value& v) {
      values[i] = v ? *v : 0.0;
      count += !v;
      missing[i + 1] = count;
    };
    for (std::size_t i = 0; i < held; ++i) put(i, history(i));
    for (std::size_t i = 0; i < bars; ++i) put(held + i, bar(i));
    breaks_.clear();
  }

  [[nodiscard]] std::size_t size() const noexcept { return values_.size(); }
  [[nodiscard]] const double* data() const noexcept { return values_.data(); }
  [[nodiscard]] double operator[](std::size_t i) const noexcept { return values_[i]; }

  [[nodiscard]] Value at(std::size_t i) const noexcept {
    return missing_[i + 1] != missing_[i] ? kMissing : Value(values_[i]);
  }

  // Missing entries among [begin, end).
  [[nodiscard]] std::size_t missing(std::size_t begin, std::size_t end) const noexcept {
    return missing_[end] - missing_[begin];
  }

  // Whether the entries [begin, end), all present, are equal to the first of
  // them. Equality of doubles is transitive apart from NaN, which equals
  // nothing: so this holds exactly when no entry differs from its neighbour.
  [[nodiscard]] bool constant(std::size_t begin, std::size_t end) {
    if (breaks_.empty()) count_breaks();
    return breaks_[end] == breaks_[begin + 1];
  }

 private:
  void count_breaks() {
    breaks_.resize(values_.size() + 1);
    breaks_[0] = 0;
    if (!values_.empty()) breaks_[1] = 0;
    for (std::size_t i = 1; i < values_.size(); ++i) {
      breaks_[i + 1] = breaks_[i] + !(values_[i] == values_[i - 1]);
    }
  }

  std::vector<double> values_;
  std::vector<std::size_t> missing_;  // missing_[i]: missing among the first i
  std::vector<std::size_t> breaks_;   // breaks_[i]: k < i with k > 0 and v[k] != v[k-1]
};

// Writes missing to outputs[from..] for `bars` rows: the columns past the
// values a transform returns.
inline void fill_missing(std::span<Value* const> outputs, std::size_t from, std::size_t bars) {
  for (std::size_t k = from; k < outputs.size(); ++k) {
    for (std::size_t i = 0; i < bars; ++i) outputs[k][i] = kMissing;
  }
}

// The lanes of a run of `bars` bars after `held` entries: lane j is bar
// first + j, one of the `count` bars whose window of `span` entries is
// complete, and its last w entries start at entry start + j. Bar i ends at
// entry held + i, so the first complete one is span - 1 - held (or 0).
struct Lanes {
  std::size_t first;
  std::size_t count;
  std::size_t start;
};

inline Lanes lanes_of(std::size_t held, std::size_t span, std::size_t w,
                      std::size_t bars) noexcept {
  const std::size_t first = held + 1 >= span ? 0 : span - 1 - held;
  return {first, first < bars ? bars - first : 0, held + first + 1 - w};
}

}  // namespace zerak
