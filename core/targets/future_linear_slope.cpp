#include "future_linear_slope.hpp"

#include <algorithm>

namespace zerak {
namespace {

// Windows fitted side by side. Each keeps its own sums in its own order, so
// the lanes change no result; they only hide the latency of the additions.
constexpr std::size_t kLanes = 4;

// Fits the L windows of h bars starting at x[0..L) and y[0..L), all present.
template <std::size_t L = kLanes>
void fit_lanes(const Value* x, const Value* y, std::size_t h, Value* slope, Value* r2) noexcept {
  const double hf = static_cast<double>(h);
  double sum_x[L] = {};
  double sum_y[L] = {};
  // Identical values are told by comparison, not by a zero sum of squares:
  // the mean of ten 0.1s rounds away from 0.1 and leaves residues of ~1e-34.
  bool constant_x[L];
  bool constant_y[L];
  for (std::size_t l = 0; l < L; ++l) constant_x[l] = constant_y[l] = true;
  for (std::size_t j = 0; j < h; ++j) {
    for (std::size_t l = 0; l < L; ++l) {
      sum_x[l] += *x[l + j];
      sum_y[l] += *y[l + j];
      constant_x[l] = constant_x[l] && *x[l + j] == *x[l];
      constant_y[l] = constant_y[l] && *y[l + j] == *y[l];
    }
  }
  double mean_x[L];
  double mean_y[L];
  for (std::size_t l = 0; l < L; ++l) {
    mean_x[l] = sum_x[l] / hf;
    mean_y[l] = sum_y[l] / hf;
  }
  double sxx[L] = {};
  double syy[L] = {};
  double sxy[L] = {};
  for (std::size_t j = 0; j < h; ++j) {
    for (std::size_t l = 0; l < L; ++l) {
      const double dx = *x[l + j] - mean_x[l];
      const double dy = *y[l + j] - mean_y[l];
      sxx[l] += dx * dx;
      syy[l] += dy * dy;
      sxy[l] += dx * dy;
    }
  }
  for (std::size_t l = 0; l < L; ++l) {
    if (constant_x[l] || sxx[l] == 0.0) continue;  // constant x: no line
    if (constant_y[l]) {  // a flat line, with no variance for R² to explain
      slope[l] = 0.0;
      continue;
    }
    slope[l] = sxy[l] / sxx[l];
    if (syy[l] != 0.0) r2[l] = sxy[l] * sxy[l] / (syy[l] * sxx[l]);
  }
}

}  // namespace

Result<FutureLinearSlope> FutureLinearSlope::create(Names inputs, std::size_t horizon,
                                                    Names outputs) {
  if (inputs.size() < 2) return invalid_input("inputs must contain x and y columns");
  for (const std::string& name : inputs) {
    if (name.empty()) return invalid_input("input names must not be empty");
  }
  if (horizon < 2) return invalid_input("horizon must be >= 2");
  if (outputs.size() != 2) return invalid_input("outputs must contain exactly 2 names: [slope, r2]");
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
    // First bar at or after `from` where x or y is missing (m if none); it
    // only moves forwards, so skipping blocked windows costs O(m) in all.
    std::size_t next_gap = 0;
    const auto find_gap = [&](std::size_t from) {
      next_gap = from;
      while (next_gap < m && x[next_gap] && y[next_gap]) ++next_gap;
    };
    find_gap(0);
    const std::size_t starts = m - h + 1;
    std::size_t i = 0;
    while (i < starts) {
      if (next_gap < i) find_gap(i);
      if (i + kLanes <= starts && next_gap >= i + kLanes - 1 + h) {
        fit_lanes(x.data() + i, y.data() + i, h, slope.data() + i, r2.data() + i);
        i += kLanes;
      } else {
        if (next_gap >= i + h) fit_lanes<1>(x.data() + i, y.data() + i, h, slope.data() + i, r2.data() + i);
        ++i;
      }
    }
  }

  std::vector<std::vector<Value>> out;
  out.reserve(2);
  out.push_back(std::move(slope));
  out.push_back(std::move(r2));
  return out;
}

}  // namespace zerak
