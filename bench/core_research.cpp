// Core-only cost of the research benchmark's ten features over 1,000,000
// synthetic OHLC bars: one update per bar through the StreamingTransform
// interface, as the pipeline calls it, with no Python involved. Prints
// "name ns_per_bar" lines (best of several runs).
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "features/averages/ema.hpp"
#include "features/moments/kurtosis.hpp"
#include "features/statistics/linear_slope.hpp"
#include "features/returns/log_return.hpp"
#include "features/volatility/parkinson_volatility.hpp"
#include "features/volatility/rogers_satchell_volatility.hpp"
#include "features/statistics/shannon_entropy.hpp"
#include "features/moments/skewness.hpp"
#include "features/averages/sma.hpp"
#include "operators/log.hpp"
#include "scalers/rolling_zscore.hpp"

namespace {

using zerak::StreamingTransform;
using zerak::Value;

constexpr std::size_t kBars = 1'000'000;

// Columns t, open, high, low, close, ret10, one row per bar.
std::vector<std::array<Value, 6>> bars() {
  std::vector<std::array<Value, 6>> rows(kBars);
  std::uint64_t state = 42;
  const auto uniform = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return double(state >> 11) / double(1ULL << 53) - 0.5;
  };
  double close = 100.0;
  std::vector<double> closes(kBars);
  for (std::size_t i = 0; i < kBars; ++i) {
    const double open = close * std::exp(0.002 * uniform());
    close = open * std::exp(0.02 * uniform());
    closes[i] = close;
    const double high = std::max(open, close) * std::exp(0.005 * (uniform() + 0.5));
    const double low = std::min(open, close) * std::exp(-0.005 * (uniform() + 0.5));
    const Value ret = i >= 10 ? Value(std::log(close / closes[i - 10])) : zerak::kMissing;
    rows[i] = {double(i), open, high, low, close, ret};
  }
  return rows;
}

struct Case {
  const char* name;
  std::unique_ptr<StreamingTransform> t;
  std::vector<int> columns;  // which columns it reads, in order
};

template <class T>
std::unique_ptr<StreamingTransform> own(zerak::Result<T> r) {
  return std::make_unique<T>(std::move(r).value());
}

double best_ns_per_bar(Case& c, const std::vector<std::array<Value, 6>>& rows, int repeat) {
  double best = 1e300;
  double sink = 0.0;
  Value in[4];
  for (int r = 0; r < repeat; ++r) {
    c.t->reset();
    const auto start = std::chrono::steady_clock::now();
    for (const auto& row : rows) {
      for (std::size_t j = 0; j < c.columns.size(); ++j) in[j] = row[c.columns[j]];
      const zerak::OutputRow out = c.t->update(std::span<const Value>(in, c.columns.size()));
      if (out[0]) sink += *out[0];
    }
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count() / double(rows.size()));
  }
  if (sink == 0.123) std::puts("");  // keeps the loop observable
  return best;
}

}  // namespace

int main() {
  using namespace zerak;
  const auto rows = bars();
  enum { T, O, H, L, C, R };
  Case cases[] = {
      {"Log(close)", own(Log::create({"c"}, {"y"})), {C}},  // the per-call floor
      {"Sma(close, 20)", own(Sma::create({"c"}, 20, {"y"})), {C}},
      {"Ema(close, 50)", own(Ema::create({"c"}, 50, {"y"})), {C}},
      {"LogReturn(close, 10)", own(LogReturn::create({"c"}, 10, {"y"})), {C}},
      {"RollingZScore(close, 30)", own(RollingZScore::create({"c"}, 30, {"y"})), {C}},
      {"Skewness(ret10, 50)", own(Skewness::create({"r"}, 50, {"y"})), {R}},
      {"Kurtosis(ret10, 100)", own(Kurtosis::create({"r"}, 100, {"y"})), {R}},
      {"LinearSlope(t, close, 30)", own(LinearSlope::create({"t", "c"}, 30, {"b", "r2"})), {T, C}},
      {"ParkinsonVolatility(20)", own(ParkinsonVolatility::create({"h", "l"}, 20, {"y"})), {H, L}},
      {"RogersSatchellVolatility(20)",
       own(RogersSatchellVolatility::create({"h", "l", "o", "c"}, 20, {"y"})),
       {H, L, O, C}},
      {"ShannonEntropy(ret10, 50)",
       own(ShannonEntropy::create({"r"}, 50, {"y"}, std::nullopt, true)),
       {R}},
  };
  for (auto& c : cases) std::printf("%s %.2f\n", c.name, best_ns_per_bar(c, rows, 5));
}
