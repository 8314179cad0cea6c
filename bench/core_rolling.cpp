// Core-only cost of Sma(20), Ema(20) and RollingZScore(20): one update per bar
// through the StreamingTransform interface, as the pipeline calls it, with no
// Python involved. Prints "name ns_per_bar" lines (best of several runs).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "features/averages/ema.hpp"
#include "features/averages/sma.hpp"
#include "scalers/rolling_zscore.hpp"

namespace {

using zerak::StreamingTransform;
using zerak::Value;

std::vector<Value> random_walk(std::size_t n) {
  std::vector<Value> xs(n);
  std::uint64_t state = 42;
  double price = 100.0;
  for (auto& x : xs) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    price += (double(state >> 11) / double(1ULL << 53) - 0.5);
    x = price;
  }
  return xs;
}

double best_ns_per_bar(StreamingTransform& t, const std::vector<Value>& xs, int repeat) {
  double best = 1e300;
  double sink = 0.0;
  for (int r = 0; r < repeat; ++r) {
    t.reset();
    const auto start = std::chrono::steady_clock::now();
    for (const Value& x : xs) {
      const zerak::OutputRow row = t.update(std::span<const Value>(&x, 1));
      if (row[0]) sink += *row[0];
    }
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count() / double(xs.size()));
  }
  if (sink == 0.123) std::puts("");  // keeps the loop observable
  return best;
}

}  // namespace

int main() {
  const std::vector<Value> xs = random_walk(1'000'000);
  struct Case {
    const char* name;
    std::unique_ptr<StreamingTransform> t;
  };
  Case cases[] = {
      {"Sma(20)", std::make_unique<zerak::Sma>(zerak::Sma::create({"x"}, 20, {"y"}).value())},
      {"Ema(20)", std::make_unique<zerak::Ema>(zerak::Ema::create({"x"}, 20, {"y"}).value())},
      {"RollingZScore(20)", std::make_unique<zerak::RollingZScore>(
                                zerak::RollingZScore::create({"x"}, 20, {"y"}).value())},
  };
  for (auto& c : cases) std::printf("%s %.2f\n", c.name, best_ns_per_bar(*c.t, xs, 5));
}
