// Research-mode cost of the window features through update_block (blocks of
// 4,096 bars, as the research engine runs them) over 1,000,000 bars, on each
// instruction set this CPU has, next to the CPU's peak rate of double
// additions measured here. No Python involved. Prints "key value" lines:
//   peak <level> <additions per ns>
//   block <level> <feature> <window> <ns per bar>
//   bar <feature> <window> <ns per bar>     (update bar by bar, for reference)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "features/correlation/correlation.hpp"
#include "features/moments/kurtosis.hpp"
#include "features/statistics/linear_slope.hpp"
#include "features/averages/mma.hpp"
#include "features/volatility/parkinson_volatility.hpp"
#include "features/volatility/rogers_satchell_volatility.hpp"
#include "features/moments/skewness.hpp"
#include "features/averages/sma.hpp"
#include "scalers/rolling_zscore.hpp"
#include "simd/dispatch.hpp"

namespace {

using zerak::StreamingTransform;
using zerak::Value;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kBars = 1'000'000;
constexpr std::size_t kBlock = 4096;

// Peak additions: 12 independent chains of vector additions over 1.5 KB
// that stay in L1, as many lanes as the instruction set has. Each loaded
// vector goes to four chains, so loads never limit the rate.
#define PEAK_BODY(LANES)                                                      \
  typedef double V __attribute__((vector_size(LANES * 8)));                   \
  alignas(64) static double data[192];                                        \
  for (int i = 0; i < 192; ++i) data[i] = 1e-9 * i;                           \
  V acc[12] = {};                                                             \
  const auto start = Clock::now();                                            \
  for (long r = 0; r < rounds; ++r) {                                         \
    for (int i = 0; i + 3 * LANES <= 192; i += 3 * LANES) {                   \
      V x[3];                                                                 \
      __builtin_memcpy(x, data + i, sizeof x);                                \
      for (int u = 0; u < 12; ++u) acc[u] = acc[u] + x[u / 4];                \
    }                                                                         \
    __asm__ volatile("" : "+m"(data[0]));                                     \
  }                                                                           \
  const std::chrono::duration<double, std::nano> took = Clock::now() - start; \
  double sink = 0;                                                            \
  for (auto& a : acc) sink += a[0];                                           \
  if (sink == 0.123) std::puts("");                                           \
  const double adds = double(rounds) * (192 / (3 * LANES)) * 12 * LANES;      \
  return adds / took.count();

double peak_baseline(long rounds) { PEAK_BODY(2) }
#if defined(__x86_64__)
__attribute__((target("avx2"))) double peak_avx2(long rounds) { PEAK_BODY(4) }
__attribute__((target("avx512f"))) double peak_avx512(long rounds) { PEAK_BODY(8) }
#endif

double peak(zerak::simd::Level level) {
  double best = 0;
  for (int r = 0; r < 5; ++r) {
    switch (level) {
#if defined(__x86_64__)
      case zerak::simd::Level::Avx512: best = std::max(best, peak_avx512(200000)); break;
      case zerak::simd::Level::Avx2: best = std::max(best, peak_avx2(200000)); break;
#endif
      default: best = std::max(best, peak_baseline(200000)); break;
    }
  }
  return best;
}

struct Data {
  std::vector<Value> t, open, high, low, close;
};

Data make_data() {
  Data d;
  std::uint64_t state = 42;
  const auto uniform = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return double(state >> 11) / double(1ULL << 53) - 0.5;
  };
  double close = 100.0;
  for (std::size_t i = 0; i < kBars; ++i) {
    const double open = close * std::exp(0.002 * uniform());
    close = open * std::exp(0.02 * uniform());
    d.t.push_back(double(i));
    d.open.push_back(open);
    d.close.push_back(close);
    d.high.push_back(std::max(open, close) * std::exp(0.005 * (uniform() + 0.5)));
    d.low.push_back(std::min(open, close) * std::exp(-0.005 * (uniform() + 0.5)));
  }
  return d;
}

template <class T>
std::unique_ptr<StreamingTransform> own(zerak::Result<T> r) {
  return std::make_unique<T>(std::move(r).value());
}

// ns per bar of update_block over bars [warm, warm + bars), after running
// the first `warm` bars untimed (so that every timed window is complete).
double block_ns(StreamingTransform& t, const std::vector<const std::vector<Value>*>& cols,
                std::size_t bars, int repeat, std::size_t warm = 0) {
  std::vector<std::vector<Value>> out(t.outputs().size(), std::vector<Value>(kBlock));
  double best = 1e300;
  const auto run = [&](std::size_t from, std::size_t to) {
    for (std::size_t at = from; at < to; at += kBlock) {
      const std::size_t n = std::min(kBlock, to - at);
      std::vector<const Value*> in;
      for (const auto* c : cols) in.push_back(c->data() + at);
      std::vector<Value*> o;
      for (auto& c : out) o.push_back(c.data());
      t.update_block(in, o, n);
    }
  };
  for (int r = 0; r < repeat; ++r) {
    t.reset();
    run(0, warm);
    const auto start = Clock::now();
    run(warm, warm + bars);
    const std::chrono::duration<double, std::nano> took = Clock::now() - start;
    best = std::min(best, took.count() / double(bars));
  }
  return best;
}

double bar_ns(StreamingTransform& t, const std::vector<const std::vector<Value>*>& cols,
              std::size_t bars) {
  Value in[4];
  double best = 1e300;
  double sink = 0;
  for (int r = 0; r < 2; ++r) {
    t.reset();
    const auto start = Clock::now();
    for (std::size_t i = 0; i < bars; ++i) {
      for (std::size_t j = 0; j < cols.size(); ++j) in[j] = (*cols[j])[i];
      const auto row = t.update(std::span<const Value>(in, cols.size()));
      if (row[0]) sink += *row[0];
    }
    const std::chrono::duration<double, std::nano> took = Clock::now() - start;
    best = std::min(best, took.count() / double(bars));
  }
  if (sink == 0.123) std::puts("");
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zerak;
  const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  const Data d = make_data();
  using Make = std::function<std::unique_ptr<StreamingTransform>(std::size_t)>;
  struct Feature {
    const char* name;
    Make make;
    std::vector<const std::vector<Value>*> cols;
  };
  const std::vector<Feature> features = {
      {"Sma", [](std::size_t w) { return own(Sma::create({"c"}, w, {"y"})); }, {&d.close}},
      {"Mma", [](std::size_t w) { return own(Mma::create({"c"}, w, {"y"})); }, {&d.close}},
      {"RollingZScore",
       [](std::size_t w) { return own(RollingZScore::create({"c"}, w, {"y"})); },
       {&d.close}},
      {"Correlation",
       [](std::size_t w) { return own(Correlation::create({"h", "l"}, w, {"r"})); },
       {&d.high, &d.low}},
      {"LinearSlope",
       [](std::size_t w) { return own(LinearSlope::create({"t", "c"}, w, {"b", "r2"})); },
       {&d.t, &d.close}},
      {"Skewness",
       [](std::size_t w) { return own(Skewness::create({"c"}, w, {"y"})); },
       {&d.close}},
      {"Kurtosis",
       [](std::size_t w) { return own(Kurtosis::create({"c"}, w, {"y"})); },
       {&d.close}},
      {"ParkinsonVolatility",
       [](std::size_t w) { return own(ParkinsonVolatility::create({"h", "l"}, w, {"y"})); },
       {&d.high, &d.low}},
      {"RogersSatchellVolatility",
       [](std::size_t w) {
         return own(RogersSatchellVolatility::create({"h", "l", "o", "c"}, w, {"y"}));
       },
       {&d.high, &d.low, &d.open, &d.close}},
  };
  const simd::Level active = simd::active_level();
  for (const simd::Level level : {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512}) {
    if (!simd::use_level(level)) continue;
    std::printf("peak %s %.3f\n", simd::level_name(level), peak(level));
    for (const std::size_t w : {20, 100, 1000, 10000}) {
      // Short runs (about 2^25 additions), best of many: on a shared
      // machine that is what comes closest to the uncontended speed, as the
      // short peak measurement does.
      const std::size_t bars = std::min(kBars - w, std::max<std::size_t>(kBlock, (1u << 25) / w));
      auto sma = features[0].make(w);
      std::printf("sma %s %zu %.3f\n", simd::level_name(level), w,
                  block_ns(*sma, features[0].cols, bars, 9, w));
      std::fflush(stdout);
    }
  }
  simd::use_level(active);
  const char* name = simd::level_name(active);
  for (const auto& f : features) {
    for (const std::size_t w : {20, 100, 1000, 10000}) {
      if (quick && w != 20) continue;
      const bool big = w >= 1000;
      if (big && std::string(f.name) != "Sma" && std::string(f.name) != "Mma" &&
          std::string(f.name) != "RollingZScore" && std::string(f.name) != "Correlation") {
        continue;
      }
      const std::size_t bars = w >= 10000 ? kBars / 10 : kBars;
      auto t = f.make(w);
      std::printf("block %s %s %zu %.3f\n", name, f.name, w, block_ns(*t, f.cols, bars, 2));
      if (w <= 100) std::printf("bar %s %zu %.3f\n", f.name, w, bar_ns(*t, f.cols, bars / 5));
      std::fflush(stdout);
    }
  }
}
