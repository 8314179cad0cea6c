// Core-only cost of RollingMin's block kernel over 1,000,000 bars, without the
// research engine: prints "name ns_per_bar" lines (best of several runs).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "features/extremes/rolling_min.hpp"

namespace {

using zerak::Value;

std::vector<Value> series(std::size_t n, bool monotonic) {
  std::vector<Value> xs(n);
  std::uint64_t state = 42;
  double price = 100.0;
  for (auto& x : xs) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    price += monotonic ? 1.0 : (double(state >> 11) / double(1ULL << 53) - 0.5);
    x = price;
  }
  return xs;
}

double best_ns_per_bar(std::size_t window, const std::vector<Value>& xs, int repeat) {
  auto t = zerak::RollingMin::create({"x"}, window, {"y"}).value();
  std::vector<Value> out(xs.size());
  double best = 1e300;
  for (int r = 0; r < repeat; ++r) {
    t.reset();
    const Value* in[] = {xs.data()};
    Value* o[] = {out.data()};
    // CPU time of this thread: the machine is shared.
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    t.update_block(in, o, xs.size());
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    const double ns = double(b.tv_sec - a.tv_sec) * 1e9 + double(b.tv_nsec - a.tv_nsec);
    best = std::min(best, ns / double(xs.size()));
  }
  return best;
}

}  // namespace

int main() {
  const auto walk = series(1'000'000, false);
  const auto rising = series(1'000'000, true);
  for (std::size_t w : {1, 20, 1000}) {
    std::printf("walk-%zu %.2f\n", w, best_ns_per_bar(w, walk, 7));
    std::printf("rising-%zu %.2f\n", w, best_ns_per_bar(w, rising, 7));
  }
}
