#include "future_linear_slope.hpp"

#include <algorithm>

namespace zerak {

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
    const double hf = static_cast<double>(h);
    // First bar at or after `from` where x or y is missing (m if none); it
    // only moves forwards, so skipping blocked windows costs O(m) in all.
    std::size_t next_gap = 0;
    const auto find_gap = [&](std::size_t from) {
      next_gap = from;
      while (next_gap < m && x[next_gap] && y[next_gap]) ++next_gap;
    };
    find_gap(0);
    for (std::size_t i = 0; i <= m - h; ++i) {
      if (next_gap < i) find_gap(i);
      if (next_gap < i + h) continue;
      double sum_x = 0.0;
      double sum_y = 0.0;
      for (std::size_t j = i; j < i + h; ++j) {
        sum_x += *x[j];
        sum_y += *y[j];
      }
      const double mean_x = sum_x / hf;
      const double mean_y = sum_y / hf;
      double sxx = 0.0;
      double syy = 0.0;
      double sxy = 0.0;
      for (std::size_t j = i; j < i + h; ++j) {
        const double dx = *x[j] - mean_x;
        const double dy = *y[j] - mean_y;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
      }
      if (sxx == 0.0) continue;
      slope[i] = sxy / sxx;
      if (syy != 0.0) r2[i] = sxy * sxy / (syy * sxx);
    }
  }

  std::vector<std::vector<Value>> out;
  out.reserve(2);
  out.push_back(std::move(slope));
  out.push_back(std::move(r2));
  return out;
}

}  // namespace zerak
