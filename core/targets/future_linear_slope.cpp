#include "future_linear_slope.hpp"

#include <algorithm>
#include <cstdint>

#include "../block/block_series.hpp"
#include "../block/simd/dispatch.hpp"

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
    // One window per lane, each summing its own bars oldest first.
    BlockSeries sx;
    BlockSeries sy;
    sx.assign(0, [](std::size_t) { return kMissing; }, m, [&x](std::size_t i) { return x[i]; });
    sy.assign(0, [](std::size_t) { return kMissing; }, m, [&y](std::size_t i) { return y[i]; });
    const std::size_t starts = m - h + 1;
    const double hf = static_cast<double>(h);
    std::vector<double> mean_x(starts);
    std::vector<double> mean_y(starts);
    std::vector<std::uint8_t> ok(starts);
    const simd::Kernels& k = simd::kernels();
    k.sums(sx.data(), h, starts, mean_x.data());
    k.sums(sy.data(), h, starts, mean_y.data());
    for (std::size_t i = 0; i < starts; ++i) {
      ok[i] = sx.missing(i, i + h) == 0 && sy.missing(i, i + h) == 0;
      mean_x[i] = ok[i] ? mean_x[i] / hf : 0.0;
      mean_y[i] = ok[i] ? mean_y[i] / hf : 0.0;
    }
    std::vector<double> sxx(starts);
    std::vector<double> sxy(starts);
    std::vector<double> syy(starts);
    k.centered_products(sx.data(), sy.data(), h, starts, mean_x.data(), mean_y.data(), sxx.data(),
                        sxy.data(), syy.data());
    for (std::size_t i = 0; i < starts; ++i) {
      // Identical values are told by comparison, not by a zero sum of squares:
      // the mean of ten 0.1s rounds away from 0.1 and leaves residues of ~1e-34.
      if (!ok[i] || sx.constant(i, i + h) || sxx[i] == 0.0) continue;  // no line
      if (sy.constant(i, i + h)) {  // a flat line, with no variance for R² to explain
        slope[i] = 0.0;
        continue;
      }
      slope[i] = sxy[i] / sxx[i];
      if (syy[i] != 0.0) r2[i] = sxy[i] * sxy[i] / (syy[i] * sxx[i]);
    }
  }

  std::vector<std::vector<Value>> out;
  out.reserve(2);
  out.push_back(std::move(slope));
  out.push_back(std::move(r2));
  return out;
}

}  // namespace zerak
