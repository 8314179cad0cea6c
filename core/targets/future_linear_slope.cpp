#include "future_linear_slope.hpp"

#include <algorithm>

#include "block/block_series.hpp"
#include "block/lane_moments.hpp"
#include "ops/least_squares.hpp"

namespace zerak {
Result<FutureLinearSlope> FutureLinearSlope::create(Names inputs, std::size_t horizon,
                                                    Names outputs) {
  if (inputs.size() < 2) return invalid_input("inputs must contain x and y columns");
  for (const std::string& name : inputs) {
    if (name.empty()) return invalid_input("input names must not be empty");
  }
  if (horizon < 2) return invalid_input("horizon must be >= 2");
  if (outputs.size() != 2)
    return invalid_input("outputs must contain exactly 2 names: [slope, r2]");
  return FutureLinearSlope(std::move(inputs), horizon, std::move(outputs));
}

std::vector<std::vector<Value>> FutureLinearSlope::run_research(
    std::span<const std::span<const Value>> columns) const {
  const std::span<const Value> x = column(columns, 0);
  const std::span<const Value> y = column(columns, 1);
  const std::size_t n = x.size();
  std::vector<Value> slope(n, kMissing);
  std::vector<Value> r2(n, kMissing);

  // Bars past the end of y are missing, so no window reaching them counts.
  const std::size_t m = std::min(n, y.size());
  const std::size_t h = horizon_;
  if (h <= m) {
    // One window per lane, each summing its own bars oldest first.
    BlockSeries sx;
    BlockSeries sy;
    sx.assign(0, [](std::size_t) { return kMissing; }, m, [&x](std::size_t i) { return x[i]; });
    sy.assign(0, [](std::size_t) { return kMissing; }, m, [&y](std::size_t i) { return y[i]; });
    const std::size_t starts = m - h + 1;
    const LaneMoments s = lane_moments(sx.data(), sy.data(), h, starts, [&](std::size_t i) {
      return sx.missing(i, i + h) == 0 && sy.missing(i, i + h) == 0;
    });
    for (std::size_t i = 0; i < starts; ++i) {
      // Identical values are told by comparison, not by a zero sum of squares:
      // the mean of ten 0.1s rounds away from 0.1 and leaves residues of ~1e-34.
      if (!s.ok[i] || sx.constant(i, i + h) || s.sxx[i] == 0.0) continue;  // no line
      if (sy.constant(i, i + h)) {  // a flat line, with no variance for R² to explain
        slope[i] = 0.0;
        continue;
      }
      ops::least_squares(s.sxx[i], s.sxy[i], s.syy[i], slope[i], r2[i]);
    }
  }

  std::vector<std::vector<Value>> out;
  out.reserve(2);
  out.push_back(std::move(slope));
  out.push_back(std::move(r2));
  return out;
}

}  // namespace zerak
