#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "window/correlation_method.hpp"
#include "ops/correlation.hpp"
#include "scratch.hpp"
#include "value.hpp"

namespace zerak {

// Spearman or Kendall correlation of the last `window` (x, y) points, kept up
// to date by counting instead of re-sorting or re-pairing the window.
//
// Kendall: the concordant and tied pair counts are integers, so removing the
// leaving point's pairs and adding the entering point's gives exactly the
// counts of a full recount, in O(window) per bar.
// Spearman: each point keeps how many window values are below and equal to
// it; its average rank (2 less + equal + 1) / 2 is what a sort gives. The
// ranks then go through the same Pearson pass in the same order. A window
// holding a NaN (whose rank depends on the sort) is ranked by the sort.
//
// A point with a missing coordinate is stored as (NaN, NaN): it joins no
// count, and the result is missing while it is in the window.
class RankCorrelationWindow {
 public:
  // `method` is Spearman or Kendall.
  RankCorrelationWindow(CorrelationMethod method, std::size_t window);
  RankCorrelationWindow(const RankCorrelationWindow& other);
  RankCorrelationWindow& operator=(const RankCorrelationWindow&) = delete;
  RankCorrelationWindow(RankCorrelationWindow&&) noexcept = default;
  RankCorrelationWindow& operator=(RankCorrelationWindow&&) noexcept = default;

  void clear() noexcept;
  void push(const Value& x, const Value& y) noexcept;
  // Missing until `window` points arrived, or while one of them is missing.
  [[nodiscard]] Value correlation() noexcept;

 private:
  // Per series: the values and, for Spearman, each value's counts of window
  // values below and equal to it, in the same circular layout.
  struct Series {
    std::vector<double> values;
    std::vector<std::int64_t> less;
    std::vector<std::int64_t> equal;
  };

  void slide_ranks(Series& s, double in, bool replace) noexcept;
  // Copies a series oldest first.
  void unroll(const std::vector<double>& ring, double* out) const noexcept;
  [[nodiscard]] Value spearman() noexcept;

  CorrelationMethod method_;
  std::size_t window_;
  std::size_t head_ = 0;  // the oldest point once full
  Series x_;
  Series y_;
  std::vector<std::uint8_t> kind_;  // per point: kPresent, kMissing or kNan
  std::size_t missing_ = 0;         // points with a missing coordinate
  std::size_t nans_ = 0;            // points with a present NaN coordinate
  ops::dense::PairCounts pairs_;
  // Scratch for the Pearson pass or the fallback sort (Spearman only).
  ScratchArray<double> rank_x_;
  ScratchArray<double> rank_y_;
  std::optional<ops::dense::SpearmanScratch> sort_;
};

}  // namespace zerak
