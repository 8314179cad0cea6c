// Live per-bar cost of the window features whose work grows with the window,
// through the StreamingTransform interface, with no Python involved. Prints
// "name window ns_per_bar" lines (best of several runs, steady state: the
// window is filled before timing). Built against the current core and
// against an earlier one by bench_live.py, so both sides use the same code.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "features/correlation/correlation.hpp"
#include "features/averages/mma.hpp"
#include "features/statistics/shannon_entropy.hpp"
#include "features/averages/sma.hpp"

namespace {

using zerak::StreamingTransform;
using zerak::Value;

template <class T>
std::unique_ptr<StreamingTransform> own(zerak::Result<T> r) {
  return std::make_unique<T>(std::move(r).value());
}

double ns_per_bar(StreamingTransform& t, std::size_t inputs, std::size_t window) {
  std::mt19937_64 gen(window);
  std::normal_distribution<double> normal;
  // Prices on a tick grid (ties happen, as in real data).
  std::vector<Value> pool(1 << 16);
  double price = 1000.0;
  for (Value& v : pool) {
    price = std::max(1.0, price + std::round(normal(gen) * 3.0));
    v = price;
  }
  double best = 1e300;
  double sink = 0.0;
  std::size_t k = 0;
  Value in[2];
  const auto step = [&] {
    in[0] = pool[k++ & 0xffff];
    in[1] = pool[(k * 7) & 0xffff];
    const zerak::OutputRow out = t.update(std::span<const Value>(in, inputs));
    if (out[0]) sink += *out[0];
  };
  for (int r = 0; r < 3; ++r) {
    t.reset();
    for (std::size_t i = 0; i < window; ++i) step();
    // At least 2,000 bars and 50 ms.
    std::size_t bars = 0;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::duration<double, std::nano> took{};
    while (bars < 2000 || took.count() < 5e7) {
      for (int i = 0; i < 100; ++i) step();
      bars += 100;
      took = std::chrono::steady_clock::now() - start;
    }
    best = std::min(best, took.count() / double(bars));
  }
  if (sink == 0.123) std::puts("");  // keeps the loop observable
  return best;
}

}  // namespace

int main() {
  using namespace zerak;
  for (const std::size_t w : {20, 100, 1000}) {
    struct Case {
      const char* name;
      std::unique_ptr<StreamingTransform> t;
      std::size_t inputs;
    } cases[] = {
        {"Sma", own(Sma::create({"x"}, w, {"y"})), 1},
        {"Mma", own(Mma::create({"x"}, w, {"y"})), 1},
        {"Correlation(kendall)",
         own(Correlation::create({"x", "y"}, w, {"r"}, CorrelationMethod::Kendall)), 2},
        {"Correlation(spearman)",
         own(Correlation::create({"x", "y"}, w, {"r"}, CorrelationMethod::Spearman)), 2},
        {"Correlation(pearson)",
         own(Correlation::create({"x", "y"}, w, {"r"}, CorrelationMethod::Pearson)), 2},
        {"ShannonEntropy", own(ShannonEntropy::create({"x"}, w, {"y"}, std::nullopt, true)), 1},
    };
    for (auto& c : cases) std::printf("%s %zu %.1f\n", c.name, w, ns_per_bar(*c.t, c.inputs, w));
  }
}
