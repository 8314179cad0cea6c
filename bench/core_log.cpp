// The library's logarithm against the C library's: accuracy over many
// arguments (random bits, ratios of prices, arguments near 1, subnormals and
// powers of two with their neighbours) and speed, scalar and in blocks.
//
//   core_log [count]   (default 1,000,000 arguments)
//
// Built with -DZERAK_QUAD -lquadmath, the arguments long double leaves
// undecided are checked against quadruple precision.
//
// Prints one line per figure, "name value", for bench_recursive.py.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <time.h>
#include <vector>

#include "simd/dispatch.hpp"
#include "ops/log.hpp"

#ifdef ZERAK_QUAD  // GCC's 113-bit floats settle what long double leaves open
#include <quadmath.h>
#endif

namespace {

using Gen = std::mt19937_64;

double uniform(Gen& g) { return static_cast<double>(g() >> 11) * 0x1p-53; }

double draw(Gen& g, std::uint64_t i) {
  switch (i % 5) {
    case 0: return std::bit_cast<double>(g() % 0x7ff0000000000000ULL);
    case 1: return 1.0 + (uniform(g) - 0.5) * std::ldexp(1.0, -static_cast<int>(g() % 50));
    case 2: return (uniform(g) + 0.5) / (uniform(g) + 0.5);
    case 3: return std::bit_cast<double>(g() % 0x0010000000000000ULL);
    default: {
      const double p = std::ldexp(1.0, static_cast<int>(g() % 2098) - 1074);
      const int step = static_cast<int>(g() % 5) - 2;
      return step < 0 ? std::nextafter(p, 0.0) : step > 0 ? std::nextafter(p, 2 * p) : p;
    }
  }
}

std::int64_t ulps(double a, double b) {
  const auto key = [](double x) {
    const auto i = std::bit_cast<std::int64_t>(x);
    return i < 0 ? std::numeric_limits<std::int64_t>::min() - i : i;
  };
  const std::int64_t d = key(a) - key(b);
  return d < 0 ? -d : d;
}

// As in tests/core/log_test.cpp: long double settles the correct rounding
// unless its result lies within a few of its ulps of a half-way point.
bool decided(double x, double& want) {
  const long double l = std::log(static_cast<long double>(x));
  want = static_cast<double>(l);
  const long double up = (static_cast<long double>(want) + std::nextafter(want, HUGE_VAL)) / 2;
  const long double down = (static_cast<long double>(want) + std::nextafter(want, -HUGE_VAL)) / 2;
  const long double margin = 8 * std::fabs(l) * std::numeric_limits<long double>::epsilon();
  return std::fabs(l - up) > margin && std::fabs(l - down) > margin;
}

// This thread's CPU time: steadier than wall time on a shared machine.
double cpu_ns() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

template <class F>
double best_ns(F f, std::size_t n) {
  double best = 1e300;
  for (int r = 0; r < 7; ++r) {
    const double t0 = cpu_ns();
    f();
    best = std::min(best, (cpu_ns() - t0) / static_cast<double>(n));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000ULL;
  Gen g(2024);
  std::uint64_t differ_c = 0, decided_n = 0, misrounded = 0, c_misrounded = 0;
  std::int64_t max_ulps = 0;
  std::uint64_t undecided = 0, quad_misrounded = 0, quad_c_misrounded = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    const double x = draw(g, i);
    const double ours = zerak::ops::log(x);
    const double c = std::log(x);
    const std::int64_t d = ulps(ours, c);
    differ_c += d != 0;
    max_ulps = std::max(max_ulps, d);
    double cr;
    if (decided(x, cr)) {
      ++decided_n;
      misrounded += ours != cr;
      c_misrounded += c != cr;
    } else {
      ++undecided;
#ifdef ZERAK_QUAD
      const auto q = static_cast<double>(logq(static_cast<__float128>(x)));
      quad_misrounded += q != ours && !(q != q && ours != ours);
      quad_c_misrounded += q != c && !(q != q && c != c);
#endif
    }
  }
  std::printf("values %llu\n", static_cast<unsigned long long>(count));
  std::printf("max_ulps_from_c %lld\n", static_cast<long long>(max_ulps));
  std::printf("differ_from_c %llu\n", static_cast<unsigned long long>(differ_c));
  std::printf("decided %llu\n", static_cast<unsigned long long>(decided_n));
  std::printf("misrounded %llu\n", static_cast<unsigned long long>(misrounded));
  std::printf("c_misrounded %llu\n", static_cast<unsigned long long>(c_misrounded));
  std::printf("undecided %llu\n", static_cast<unsigned long long>(undecided));
#ifdef ZERAK_QUAD
  std::printf("quad_misrounded %llu\n", static_cast<unsigned long long>(quad_misrounded));
  std::printf("quad_c_misrounded %llu\n", static_cast<unsigned long long>(quad_c_misrounded));
#endif

  // Speed on price ratios, 1,000,000 a pass.
  constexpr std::size_t kN = 1'000'000;
  std::vector<double> x(kN), y(kN);
  for (double& v : x) v = (uniform(g) + 0.5) / (uniform(g) + 0.5);
  volatile double sink = 0.0;
  std::printf("c_scalar_ns %.3f\n", best_ns(
                                        [&] {
                                          for (std::size_t i = 0; i < kN; ++i)
                                            y[i] = std::log(x[i]);
                                          sink = y[kN - 1];
                                        },
                                        kN));
  std::printf("ours_scalar_ns %.3f\n", best_ns(
                                           [&] {
                                             for (std::size_t i = 0; i < kN; ++i)
                                               y[i] = zerak::ops::log(x[i]);
                                             sink = y[kN - 1];
                                           },
                                           kN));
  for (const auto level :
       {zerak::simd::Level::Baseline, zerak::simd::Level::Avx2, zerak::simd::Level::Avx512}) {
    if (!zerak::simd::use_level(level)) continue;
    std::printf("ours_block_%s_ns %.3f\n", zerak::simd::level_name(level),
                best_ns(
                    [&] {
                      zerak::ops::log_block(x.data(), kN, y.data());
                      sink = y[kN - 1];
                    },
                    kN));
  }
  (void)sink;
}
