// The library's logarithm against the C library and long double: correctly
// rounded wherever long double decides the rounding, within one ulp of the
// C library everywhere, the C library's special values, and the same bits
// from the block form on every instruction set.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "simd/dispatch.hpp"
#include "ops/log.hpp"

namespace zerak {
namespace {

using Gen = std::mt19937_64;

struct Family {
  std::string name;
  std::function<double(Gen&)> draw;
};

void PrintTo(const Family& f, std::ostream* os) { *os << f.name; }

double uniform(Gen& g) { return static_cast<double>(g() >> 11) * 0x1p-53; }

std::vector<Family> families() {
  return {
      {"AnyPositiveBits",
       [](Gen& g) { return std::bit_cast<double>(g() % 0x7ff0000000000000ULL); }},
      {"NearOne",
       [](Gen& g) {
         return 1.0 + (uniform(g) - 0.5) * std::ldexp(1.0, -static_cast<int>(g() % 50));
       }},
      {"Ratios", [](Gen& g) { return (uniform(g) + 0.5) / (uniform(g) + 0.5); }},
      {"Subnormal", [](Gen& g) { return std::bit_cast<double>(g() % 0x0010000000000000ULL); }},
      {"PowersAndNeighbours",
       [](Gen& g) {
         const double p = std::ldexp(1.0, static_cast<int>(g() % 2098) - 1074);
         const int step = static_cast<int>(g() % 5) - 2;
         return step < 0 ? std::nextafter(p, 0.0) : step > 0 ? std::nextafter(p, 2 * p) : p;
       }},
  };
}

std::int64_t ulps(double a, double b) {
  const auto key = [](double x) {
    const auto i = std::bit_cast<std::int64_t>(x);
    return i < 0 ? std::numeric_limits<std::int64_t>::min() - i : i;
  };
  const std::int64_t d = key(a) - key(b);
  return d < 0 ? -d : d;
}

// The correctly rounded ln x when long double settles it: its result, less
// than a few of its ulps off, is far enough from a half-way point.
bool decided(double x, double& want) {
  const long double l = std::log(static_cast<long double>(x));
  want = static_cast<double>(l);
  const long double up = (static_cast<long double>(want) + std::nextafter(want, HUGE_VAL)) / 2;
  const long double down = (static_cast<long double>(want) + std::nextafter(want, -HUGE_VAL)) / 2;
  const long double margin = 8 * std::fabs(l) * std::numeric_limits<long double>::epsilon();
  return std::fabs(l - up) > margin && std::fabs(l - down) > margin;
}

class Logarithm : public ::testing::TestWithParam<Family> {};

TEST_P(Logarithm, CorrectlyRoundedWhereDecidedAndBlocksAgree) {
  Gen g(std::hash<std::string>{}(GetParam().name));
  constexpr std::size_t kN = 200'000;
  std::vector<double> x(kN);
  for (double& v : x) v = GetParam().draw(g);
  std::vector<double> want(kN);
  std::size_t settled = 0;
  for (std::size_t i = 0; i < kN; ++i) {
    const double got = ops::log(x[i]);
    ASSERT_LE(ulps(got, std::log(x[i])), 1) << std::hexfloat << x[i];
    double cr;
    if (decided(x[i], cr)) {
      ++settled;
      ASSERT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(cr))
          << std::hexfloat << x[i] << " gave " << got << ", correctly rounded " << cr;
    }
    want[i] = got;
  }
  EXPECT_GT(settled, kN * 9 / 10);

  const simd::Level saved = simd::active_level();
  for (const simd::Level level : {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512}) {
    if (!simd::use_level(level)) continue;
    for (const std::size_t n : {kN, std::size_t{7}, std::size_t{1}}) {
      std::vector<double> got(n);
      ops::log_block(x.data(), n, got.data());
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(got[i]), std::bit_cast<std::uint64_t>(want[i]))
            << simd::level_name(level) << " " << std::hexfloat << x[i];
      }
    }
  }
  simd::use_level(saved);
}

INSTANTIATE_TEST_SUITE_P(Families, Logarithm, ::testing::ValuesIn(families()),
                         [](const auto& info) { return info.param.name; });

// The special values as the C library gives them, alone and inside a block
// of ordinary arguments on every instruction set.
TEST(Logarithm, SpecialValuesAsTheCLibrary) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::vector<double> specials = {0.0,
                                        -0.0,
                                        -1.0,
                                        -kInf,
                                        kInf,
                                        std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::denorm_min(),
                                        std::numeric_limits<double>::min(),
                                        std::numeric_limits<double>::max(),
                                        1.0};
  std::vector<double> block;
  for (const double s : specials) {
    const double got = ops::log(s);
    const double c = std::log(s);
    if (std::isnan(c)) {
      EXPECT_TRUE(std::isnan(got)) << s;
    } else {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(c)) << s;
    }
    for (const double filler : {2.5, s, 0.75}) block.push_back(filler);
  }
  const simd::Level saved = simd::active_level();
  for (const simd::Level level : {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512}) {
    if (!simd::use_level(level)) continue;
    std::vector<double> got(block.size());
    ops::log_block(block.data(), block.size(), got.data());
    for (std::size_t i = 0; i < block.size(); ++i) {
      const double want = ops::log(block[i]);
      EXPECT_TRUE(std::bit_cast<std::uint64_t>(got[i]) == std::bit_cast<std::uint64_t>(want) ||
                  (std::isnan(got[i]) && std::isnan(want)))
          << simd::level_name(level) << " " << block[i];
    }
  }
  simd::use_level(saved);
}

}  // namespace
}  // namespace zerak
