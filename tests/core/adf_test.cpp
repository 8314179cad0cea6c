#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "features/adf.hpp"
#include "ops/adf.hpp"

namespace zerak {
namespace {

using ops::adf_pvalue;
using ops::adf_pvalue_table;
using ops::adf_stat;
using ops::AdfRegression;
using ops::gauss_solve;

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
const std::vector<Value> kExample = {1, 3, 2, 5, 4, 6, 8, 7, 9, 12, 10, 11};

std::vector<Value> random_walk(std::size_t n, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::normal_distribution<double> step(0.0, 1.0);
  std::vector<Value> out;
  double level = 100.0;
  for (std::size_t i = 0; i < n; ++i) out.push_back(level += step(gen));
  return out;
}

struct ExampleCase {
  std::size_t lags;
  AdfRegression regression;
  double stat;
  double pvalue;
};

class AdfWorkedExample : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(AdfWorkedExample, StatisticAndPvalue) {
  const ExampleCase& c = GetParam();
  const std::optional<double> stat = adf_stat(kExample, c.lags, c.regression);
  ASSERT_TRUE(stat.has_value());
  EXPECT_NEAR(*stat, c.stat, 1e-9);
  EXPECT_NEAR(adf_pvalue(*stat, c.regression), c.pvalue, 1e-6 * c.pvalue);
}

// Statistics to ten digits from an independent least-squares fit.
INSTANTIATE_TEST_SUITE_P(
    Window12, AdfWorkedExample,
    ::testing::Values(ExampleCase{1, AdfRegression::Constant, -0.6128888260, 0.867640},
                      ExampleCase{1, AdfRegression::ConstantTrend, -5.5553646147, 1.94017e-05},
                      ExampleCase{0, AdfRegression::Constant, -1.1111524313, 0.708988}));

TEST(AdfStat, MissingWhenRowsDoNotExceedColumns) {
  const std::vector<Value> ten(random_walk(10, 1));
  EXPECT_TRUE(adf_stat(ten, 3, AdfRegression::Constant).has_value());        // m 6 > k 5
  EXPECT_FALSE(adf_stat(ten, 3, AdfRegression::ConstantTrend).has_value());  // m 6 == k 6
  for (std::size_t lags : {std::size_t{9}, std::size_t{10}, std::size_t{11}, kMax - 2, kMax}) {
    EXPECT_FALSE(adf_stat(ten, lags, AdfRegression::Constant).has_value()) << lags;
    EXPECT_FALSE(adf_stat(ten, lags, AdfRegression::ConstantTrend).has_value()) << lags;
  }
  EXPECT_FALSE(adf_stat({}, 0, AdfRegression::Constant).has_value());
}

TEST(AdfStat, DegenerateWindowsAreMissing) {
  std::vector<Value> walk = random_walk(30, 2);
  walk[17] = kMissing;
  const std::vector<Value> constant(30, 4.5);
  std::vector<Value> with_inf = random_walk(30, 3);
  with_inf[5] = std::numeric_limits<double>::infinity();
  for (AdfRegression reg : {AdfRegression::Constant, AdfRegression::ConstantTrend}) {
    for (std::size_t lags : {0, 1, 3}) {
      EXPECT_FALSE(adf_stat(walk, lags, reg).has_value());
      EXPECT_FALSE(adf_stat(constant, lags, reg).has_value());
      EXPECT_FALSE(adf_stat(with_inf, lags, reg).has_value());
    }
  }
}

TEST(AdfStat, TwoPiecesMatchOneSpanBitForBit) {
  const std::vector<Value> walk = random_walk(60, 4);
  const std::span<const Value> all(walk);
  ops::AdfWorkspace workspace(60, 4, AdfRegression::ConstantTrend);
  for (std::size_t cut : {0, 1, 31, 60}) {
    const auto split = adf_stat(all.first(cut), all.subspan(cut), 4, AdfRegression::ConstantTrend,
                                workspace);
    EXPECT_EQ(split, adf_stat(all, 4, AdfRegression::ConstantTrend));
  }
}

TEST(GaussSolve, SolvesWithRowSwaps) {
  // Zero leading entry forces a swap; solution (1, -2, 3).
  const auto x = gauss_solve({0, 2, 1, 1, 1, 1, 2, 1, -1}, {-1, 2, -3}, 3);
  ASSERT_TRUE(x.has_value());
  EXPECT_NEAR((*x)[0], 1.0, 1e-15);
  EXPECT_NEAR((*x)[1], -2.0, 1e-15);
  EXPECT_NEAR((*x)[2], 3.0, 1e-15);
  EXPECT_EQ(gauss_solve({}, {}, 0), std::vector<double>{});
  EXPECT_FALSE(gauss_solve({1, 2, 2, 4}, {1, 1}, 2).has_value());
}

TEST(GaussSolve, PivotThresholdIsInclusive) {
  const auto at = gauss_solve({1e-12}, {3e-12}, 1);
  ASSERT_TRUE(at.has_value());
  EXPECT_DOUBLE_EQ((*at)[0], 3.0);
  EXPECT_FALSE(gauss_solve({std::nextafter(1e-12, 0.0)}, {1.0}, 1).has_value());
  // The tiny pivot shows up only after elimination.
  EXPECT_FALSE(gauss_solve({1, 1, 1, 1 + 1e-13}, {1, 1}, 2).has_value());
}

TEST(GaussSolve, FirstOfEqualMaximaWinsAndLargerLaterRowIsSwappedIn) {
  std::vector<double> a = {1, 2, -1, 3};
  std::vector<double> rhs = {5, 7};
  std::vector<double> x(2);
  ASSERT_TRUE(gauss_solve(a, rhs, x, 2));
  EXPECT_EQ(a[0], 1.0);  // row 0 stayed on top
  EXPECT_EQ(a[1], 2.0);
  EXPECT_EQ(rhs[0], 5.0);

  a = {1, 2, -4, 3};
  rhs = {5, 7};
  ASSERT_TRUE(gauss_solve(a, rhs, x, 2));
  EXPECT_EQ(a[0], -4.0);
  EXPECT_EQ(a[1], 3.0);
  EXPECT_EQ(a[2], 0.0);  // eliminated entries are exactly zero
  EXPECT_EQ(rhs[0], 7.0);
}

TEST(AdfPvalue, GridEdgesAndInterpolation) {
  for (AdfRegression reg : {AdfRegression::Constant, AdfRegression::ConstantTrend}) {
    const auto table = adf_pvalue_table(reg);
    EXPECT_EQ(adf_pvalue(-7.3, reg), table[0]);
    EXPECT_EQ(adf_pvalue(-6.0, reg), table[0]);
    EXPECT_EQ(adf_pvalue(-std::numeric_limits<double>::infinity(), reg), table[0]);
    EXPECT_EQ(adf_pvalue(3.0, reg), 1.0);
    EXPECT_EQ(adf_pvalue(2.8000000000000007, reg), 1.0);
    // Just below the bound the last interval is interpolated, not cut off.
    const double below = adf_pvalue(std::nextafter(2.8000000000000007, 0.0), reg);
    EXPECT_GE(below, table[43]);
    EXPECT_LE(below, 1.0);
    EXPECT_TRUE(std::isnan(adf_pvalue(std::numeric_limits<double>::quiet_NaN(), reg)));
  }
  const auto c = adf_pvalue_table(AdfRegression::Constant);
  EXPECT_NEAR(adf_pvalue(-3.0, AdfRegression::Constant), 0.034894400275, 1e-16);
  EXPECT_NEAR(adf_pvalue(-2.9, AdfRegression::Constant), c[15] + (c[16] - c[15]) * 0.5, 1e-15);
  EXPECT_NEAR(adf_pvalue(-2.0, AdfRegression::Constant), 0.28657309917, 1e-16);
  EXPECT_NEAR(adf_pvalue(-5.9, AdfRegression::ConstantTrend),
              (2.1968599946e-06 + 5.722001011e-06) / 2, 1e-18);
}

TEST(AdfPvalue, TablesRiseToOne) {
  const auto c = adf_pvalue_table(AdfRegression::Constant);
  const auto ct = adf_pvalue_table(AdfRegression::ConstantTrend);
  for (std::size_t i = 1; i < ops::kAdfTableSize; ++i) {
    EXPECT_LT(c[i - 1], c[i]) << i;
    EXPECT_LE(ct[i - 1], ct[i]) << i;
    EXPECT_EQ(ct[i] == 1.0, i >= 34) << i;
  }
  EXPECT_EQ(c[44], 1.0);
  EXPECT_EQ(c[43], 0.99907515515);
  EXPECT_EQ(ct[33], 0.99698697776);
}

// ---- the rolling feature ---------------------------------------------------

Result<Adf> make(std::size_t window, std::optional<std::size_t> lags,
                 AdfRegression reg = AdfRegression::Constant, Names outputs = {"s", "p"}) {
  return Adf::create({"x"}, window, std::move(outputs), lags, reg);
}

std::string error_of(const Result<Adf>& r) {
  return r.ok() ? std::string("accepted") : r.error().message();
}

TEST(AdfFeature, ChecksRunInOrder) {
  const auto empty = Adf::create({}, 0, {"a", "b", "c"}, std::nullopt, AdfRegression::Constant);
  EXPECT_TRUE(empty.error().is<ZerakError::InvalidInput>());
  EXPECT_EQ(error_of(empty), "inputs must not be empty");
  EXPECT_EQ(error_of(make(0, std::nullopt, AdfRegression::Constant, {"a", "b", "c"})),
            "outputs must contain exactly two names: [adf_stat, adf_pvalue]");
  EXPECT_EQ(error_of(make(100, 1, AdfRegression::Constant, {"a"})),
            "outputs must contain exactly two names: [adf_stat, adf_pvalue]");
  EXPECT_EQ(error_of(make(0, 1)), "window must be non-zero");
  EXPECT_EQ(error_of(make(17, std::nullopt)), "window (17) must be > 3 + 2 * lags (7) = 17");
  EXPECT_EQ(error_of(make(17, 6)), "accepted");
  EXPECT_EQ(error_of(make(3, 0)), "window (3) must be > 3 + 2 * lags (0) = 3");
  EXPECT_EQ(error_of(make(4, 0)), "accepted");
}

TEST(AdfFeature, DefaultLags) {
  const std::pair<std::size_t, std::size_t> cases[] = {{18, 7},   {20, 8},   {50, 10},
                                                       {100, 12}, {250, 15}, {1000, 21}};
  for (const auto& [window, lags] : cases) {
    auto adf = make(window, std::nullopt);
    ASSERT_TRUE(adf.ok()) << window;
    EXPECT_EQ(adf.value().lags(), lags) << window;
    EXPECT_EQ(adf.value().warm_up_period(), window - 1);
  }
  EXPECT_EQ(Adf::default_lags(kMax), 248691u);
}

// The bound 2 * lags + 3 exceeds size_t here; a wrapping check would accept.
TEST(AdfFeature, HugeLagsAreRejectedWithTheTrueBound) {
  EXPECT_EQ(error_of(make(100, kMax / 2)),  // 2 * lags + 3 == 2^64 + 1
            "window (100) must be > 3 + 2 * lags (9223372036854775807) = 18446744073709551617");
  EXPECT_EQ(error_of(make(100, kMax)),
            "window (100) must be > 3 + 2 * lags (18446744073709551615) = 36893488147419103233");
  EXPECT_EQ(error_of(make(kMax, kMax / 2 - 1)),  // bound == 2^64 - 1, not wrapped
            "window (18446744073709551615) must be > 3 + 2 * lags (9223372036854775806) = "
            "18446744073709551615");
}

TEST(AdfFeature, WorkedExampleBarByBar) {
  Adf adf = make(12, 1).value();
  EXPECT_EQ(adf.values_returned(), 2u);
  for (std::size_t i = 0; i < kExample.size(); ++i) {
    const Value bar[] = {kExample[i]};
    const OutputRow row = adf.update(bar);
    ASSERT_EQ(row.size(), 2u);
    if (i < 11) {
      EXPECT_FALSE(row[0] || row[1]) << i;
    } else {
      EXPECT_NEAR(*row[0], -0.612889, 1e-6);
      EXPECT_NEAR(*row[1], 0.867640, 1e-6);
    }
  }
}

// Each bar equals the kernel on that bar's window, across ring wrap-around,
// a missing value (which blanks exactly `window` bars) and both regressions.
TEST(AdfFeature, RollingEqualsKernelPerWindow) {
  std::vector<Value> series = random_walk(120, 5);
  series[50] = kMissing;
  for (AdfRegression reg : {AdfRegression::Constant, AdfRegression::ConstantTrend}) {
    Adf adf = make(30, std::nullopt, reg).value();
    std::size_t present = 0;
    for (std::size_t i = 0; i < series.size(); ++i) {
      const Value bar[] = {series[i]};
      const OutputRow row = adf.update(bar);
      if (i < 29) {
        EXPECT_FALSE(row[0]);
        continue;
      }
      const auto expected =
          adf_stat(std::span(series).subspan(i - 29, 30), adf.lags(), reg);
      EXPECT_EQ(row[0], expected) << i;
      EXPECT_EQ(row[1].has_value(), expected.has_value());
      if (expected) {
        EXPECT_EQ(*row[1], adf_pvalue(*expected, reg));
      }
      present += expected.has_value();
    }
    EXPECT_EQ(present, 120u - 29 - 30);  // bars 50..79 see the missing value
  }
}

TEST(AdfFeature, ResetAndFreshReplayBitForBit) {
  const std::vector<Value> series = random_walk(80, 6);
  Adf adf = make(25, 2, AdfRegression::ConstantTrend).value();
  auto run = [&series](StreamingTransform& t) {
    std::vector<Value> out;
    for (const Value& v : series) {
      const Value bar[] = {v};
      const OutputRow row = t.update(bar);
      out.insert(out.end(), row.begin(), row.end());
    }
    return out;
  };
  const std::vector<Value> first = run(adf);
  auto copy = adf.fresh();
  adf.reset();
  EXPECT_EQ(run(adf), first);
  EXPECT_EQ(run(*copy), first);
  EXPECT_EQ(copy->output_names(), (Names{"s", "p"}));
}

TEST(AdfFeature, ConstantTrendWithAsManyRowsAsColumnsIsAlwaysMissing) {
  Adf adf = make(10, 3, AdfRegression::ConstantTrend).value();
  for (const Value& v : random_walk(40, 7)) {
    const Value bar[] = {v};
    const OutputRow row = adf.update(bar);
    EXPECT_FALSE(row[0] || row[1]);
  }
}

TEST(AdfFeature, ShortRowLeavesStateUntouched) {
  Adf adf = make(12, 1).value();
  for (std::size_t i = 0; i < 11; ++i) {
    const Value bar[] = {kExample[i]};
    (void)adf.update(bar);
    EXPECT_EQ(adf.update({}).size(), 2u);
  }
  const Value last[] = {kExample[11]};
  EXPECT_NEAR(*adf.update(last)[0], -0.612889, 1e-6);
}

}  // namespace
}  // namespace zerak
