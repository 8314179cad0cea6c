#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <vector>

#include "targets/future_ctc_volatility.hpp"
#include "targets/future_linear_slope.hpp"
#include "targets/future_return.hpp"
#include "tools/pairwise.hpp"
#include "tools/rolling.hpp"
#include "tools/shift.hpp"

namespace zerak {
namespace {

using Series = std::vector<Value>;
constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();

// Compares present values exactly (or within tol) and missing positions.
void expect_series(const Series& got, const Series& want, double tol = 0.0) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i].has_value(), want[i].has_value()) << "at " << i;
    if (want[i]) {
      if (tol == 0.0) {
        EXPECT_EQ(*got[i], *want[i]) << "at " << i;
      } else {
        EXPECT_NEAR(*got[i], *want[i], tol) << "at " << i;
      }
    }
  }
}

Series all_missing(std::size_t n) { return Series(n, kMissing); }

template <class T>
std::vector<std::vector<Value>> run(const T& target, std::initializer_list<Series> cols) {
  std::vector<std::span<const Value>> spans(cols.begin(), cols.end());
  return target.run_research(spans);
}

struct ShiftCase {
  std::int64_t n;
  Series want;
};

class Shift : public testing::TestWithParam<ShiftCase> {};

TEST_P(Shift, MovesValuesAndLeavesTheGapMissing) {
  const Series x{1.0, 2.0, 3.0};
  expect_series(tools::shift(x, GetParam().n), GetParam().want);
  EXPECT_TRUE(tools::shift(Series{}, GetParam().n).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, Shift,
    testing::Values(ShiftCase{0, {1.0, 2.0, 3.0}}, ShiftCase{1, {kMissing, 1.0, 2.0}},
                    ShiftCase{-1, {2.0, 3.0, kMissing}}, ShiftCase{3, all_missing(3)},
                    ShiftCase{-3, all_missing(3)},
                    ShiftCase{std::numeric_limits<std::int64_t>::max(), all_missing(3)},
                    ShiftCase{std::numeric_limits<std::int64_t>::min(), all_missing(3)}));

TEST(Shift, AheadTakesUnsignedDistancesBeyondAnySignedOffset) {
  const Series x{1.0, 2.0, 3.0};
  expect_series(tools::shift_ahead(x, 2), {3.0, kMissing, kMissing});
  expect_series(tools::shift_ahead(x, kHuge), all_missing(3));
}

TEST(Rolling, SampleStdOverFullWindowsOnly) {
  const double r = std::sqrt(0.5);
  expect_series(tools::rolling_std(Series{1.0, 2.0, 3.0, 4.0}, 2), {kMissing, r, r, r});
  // A missing value blanks exactly the windows that contain it.
  expect_series(tools::rolling_std(Series{1.0, 2.0, kMissing, 4.0, 5.0, 6.0}, 2),
                {kMissing, r, kMissing, kMissing, r, r});
  expect_series(tools::rolling_std(Series{1.0, 2.0}, kHuge), all_missing(2));
  EXPECT_FALSE(tools::sample_std(Series{7.0}).has_value());
  EXPECT_EQ(tools::sample_std(Series{2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}),
            std::sqrt(32.0 / 7.0));
}

TEST(Rolling, StdMatchesThePlainWindowStatisticBitForBit) {
  std::mt19937_64 rng(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (std::size_t len : {0u, 1u, 7u, 64u, 301u}) {
    Series x(len);
    for (auto& v : x) v = noise(rng) * 1e3 + 5.0;
    for (std::size_t i = 3; i < len; i += 37) x[i] = kMissing;
    for (std::size_t w : {0u, 1u, 2u, 3u, 5u, 8u, 60u}) {
      const Series want = tools::rolling(x, w, tools::sample_std);
      const Series got = tools::rolling_std(x, w);
      ASSERT_EQ(got.size(), want.size());
      for (std::size_t i = 0; i < len; ++i) {
        ASSERT_EQ(got[i].has_value(), want[i].has_value()) << len << " " << w << " " << i;
        ASSERT_EQ(got[i], want[i]) << len << " " << w << " " << i;
      }
    }
  }
}

TEST(Rolling, HandsTheStatisticTheWindowOldestFirst) {
  const Series x{1.0, 2.0, 3.0, 4.0};
  const auto first = [](std::span<const Value> w) { return w.front(); };
  expect_series(tools::rolling(x, 3, first), {kMissing, kMissing, 1.0, 2.0});
  const auto size = [](std::span<const Value> w) { return Value(double(w.size())); };
  expect_series(tools::rolling(x, 0, size), {0.0, 0.0, 0.0, 0.0});
}

TEST(Pairwise, ReturnsOverTheShorterLengthWithStrictDomains) {
  const double nan = std::nan("");
  expect_series(tools::pairwise(Series{100.0, 0.0, 50.0, -5.0, nan},
                                Series{110.0, 5.0, kMissing, -4.0, 1.0}, tools::simple_return),
                {0.1, kMissing, kMissing, kMissing, kMissing}, 1e-15);
  expect_series(tools::pairwise(Series{1.0, -1.0, 2.0, -2.0}, Series{std::exp(1.0), 2.0, 0.0, -4.0},
                                tools::log_return),
                {1.0, kMissing, kMissing, kMissing}, 1e-15);
  EXPECT_EQ(tools::pairwise(all_missing(5), all_missing(3), tools::log_return).size(), 3u);
}

TEST(FutureReturn, WorkedValuesAndZeroBase) {
  const auto h1 = FutureReturn::create({"c"}, 1, {"r"}).value();
  const auto got = run(h1, {{100.0, 110.0, 99.0}});
  ASSERT_EQ(got.size(), 1u);
  expect_series(got[0], {(110.0 - 100.0) / 100.0, (99.0 - 110.0) / 110.0, kMissing});
  expect_series(run(h1, {{0.0, 10.0}})[0], all_missing(2));
  const auto h3 = FutureReturn::create({"c"}, 3, {"r"}).value();
  expect_series(run(h3, {{100.0, 110.0, 99.0}})[0], all_missing(3));
  const auto huge = FutureReturn::create({"c"}, kHuge, {"r"}).value();
  expect_series(run(huge, {{1.0, 2.0}})[0], all_missing(2));
  EXPECT_EQ(huge.forward_period(), kHuge);
}

TEST(FutureCTCVolatility, WorkedValues) {
  const auto vol = FutureCTCVolatility::create({"c"}, 2, {"v"}).value();
  const auto got = run(vol, {{1.0, 2.0, 4.0, 16.0}});
  ASSERT_EQ(got.size(), 1u);
  expect_series(got[0], {0.0, std::log(2.0) * std::sqrt(0.5), kMissing, kMissing}, 1e-15);
  // Every window touching a non-positive close is missing.
  expect_series(run(vol, {{1.0, 2.0, 4.0, 8.0, -1.0, 2.0, 4.0, 8.0, 16.0}})[0],
                {0.0, 0.0, kMissing, kMissing, kMissing, 0.0, 0.0, kMissing, kMissing});
  const auto huge = FutureCTCVolatility::create({"c"}, kHuge, {"v"}).value();
  expect_series(run(huge, {{1.0, 2.0, 3.0}})[0], all_missing(3));
}

TEST(FutureLinearSlope, WorkedValuesAndDegenerateWindows) {
  const auto fit = FutureLinearSlope::create({"x", "y"}, 3, {"s", "r2"}).value();
  auto got = run(fit, {{0.0, 1.0, 2.0, 3.0, 4.0}, {0.0, 2.0, 4.0, 6.0, 8.0}});
  ASSERT_EQ(got.size(), 2u);
  expect_series(got[0], {2.0, 2.0, 2.0, kMissing, kMissing});
  expect_series(got[1], {1.0, 1.0, 1.0, kMissing, kMissing});

  // Constant x: both missing; constant y: slope 0 and no R².
  got = run(fit, {{1.0, 1.0, 1.0, 2.0}, {5.0, 5.0, 5.0, 5.0}});
  expect_series(got[0], {kMissing, 0.0, kMissing, kMissing});
  expect_series(got[1], all_missing(4));

  // A gap in either column blanks every window containing it.
  got = run(fit, {{0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0}, {0.0, 1.0, 2.0, kMissing, 4.0, 5.0, 6.0}});
  expect_series(got[0], {1.0, kMissing, kMissing, kMissing, 1.0, kMissing, kMissing});

  // y = 2x + noise against a direct least-squares fit.
  got = run(fit, {{1.0, 2.0, 4.0}, {1.0, 5.0, 7.0}});
  const double mx = 7.0 / 3.0, my = 13.0 / 3.0;
  const double sxx = (1 - mx) * (1 - mx) + (2 - mx) * (2 - mx) + (4 - mx) * (4 - mx);
  const double syy = (1 - my) * (1 - my) + (5 - my) * (5 - my) + (7 - my) * (7 - my);
  const double sxy = (1 - mx) * (1 - my) + (2 - mx) * (5 - my) + (4 - mx) * (7 - my);
  expect_series(got[0], {sxy / sxx, kMissing, kMissing}, 1e-12);
  expect_series(got[1], {sxy * sxy / (sxx * syy), kMissing, kMissing}, 1e-12);
}

// The least-squares fit of one window written out plainly, in the documented
// order of operations.
std::pair<Value, Value> plain_fit(const Series& x, const Series& y, std::size_t i, std::size_t h) {
  double sx = 0.0, sy = 0.0;
  for (std::size_t j = i; j < i + h; ++j) {
    if (!x[j] || !y[j]) return {kMissing, kMissing};
    sx += *x[j];
    sy += *y[j];
  }
  const double mx = sx / double(h), my = sy / double(h);
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
  for (std::size_t j = i; j < i + h; ++j) {
    sxx += (*x[j] - mx) * (*x[j] - mx);
    syy += (*y[j] - my) * (*y[j] - my);
    sxy += (*x[j] - mx) * (*y[j] - my);
  }
  if (sxx == 0.0) return {kMissing, kMissing};
  return {sxy / sxx, syy != 0.0 ? Value(sxy * sxy / (syy * sxx)) : kMissing};
}

TEST(FutureLinearSlope, MatchesAPlainFitOfEveryWindowBitForBit) {
  std::mt19937_64 rng(11);
  std::normal_distribution<double> noise(0.0, 1.0);
  const std::size_t len = 257;
  Series x(len), y(len);
  for (std::size_t i = 0; i < len; ++i) {
    x[i] = std::floor(noise(rng) * 3.0);  // repeated values give constant-x windows
    y[i] = 0.5 * *x[i] + noise(rng);
  }
  for (std::size_t i = 5; i < len; i += 41) x[i] = kMissing;
  for (std::size_t i = 17; i < len; i += 53) y[i] = kMissing;
  for (std::size_t h : {2u, 3u, 5u, 8u, 30u}) {
    const auto fit = FutureLinearSlope::create({"x", "y"}, h, {"s", "r2"}).value();
    const auto got = run(fit, {x, y});
    for (std::size_t i = 0; i < len; ++i) {
      const auto [s, r] = i + h <= len ? plain_fit(x, y, i, h) : std::pair{kMissing, kMissing};
      ASSERT_EQ(got[0][i], s) << h << " " << i;
      ASSERT_EQ(got[1][i], r) << h << " " << i;
    }
  }
}

TEST(FutureLinearSlope, NeverReadsPastAShortColumn) {
  const auto fit = FutureLinearSlope::create({"x", "y"}, 2, {"s", "r2"}).value();
  // y shorter than x: its absent tail counts as missing; outputs follow x.
  auto got = run(fit, {{0.0, 1.0, 2.0, 3.0, 4.0}, {0.0, 1.0, 2.0}});
  expect_series(got[0], {1.0, 1.0, kMissing, kMissing, kMissing});
  // y longer than x: ignored past x's length.
  got = run(fit, {{0.0, 1.0, 2.0}, {0.0, 3.0, 6.0, 9.0, 12.0}});
  expect_series(got[0], {3.0, 3.0, kMissing});
  // Fewer columns than it reads, or a horizon beyond any length.
  got = run(fit, {{0.0, 1.0, 2.0}});
  expect_series(got[1], all_missing(3));
  const auto huge = FutureLinearSlope::create({"x", "y"}, kHuge, {"s", "r2"}).value();
  expect_series(run(huge, {{0.0, 1.0}, {0.0, 1.0}})[0], all_missing(2));
}

TEST(Targets, EmptyDataGivesEmptyColumns) {
  const auto ret = FutureReturn::create({"c"}, 1, {"a", "b"}).value();
  const auto vol = FutureCTCVolatility::create({"c"}, 2, {"v"}).value();
  const auto fit = FutureLinearSlope::create({"x", "y"}, 2, {"s", "r2"}).value();
  for (const auto& cols : {run(ret, {{}}), run(vol, {{}}), run(fit, {{}, {}}), run(fit, {})}) {
    ASSERT_FALSE(cols.empty());
    for (const auto& c : cols) EXPECT_TRUE(c.empty());
  }
  // The column count is the kind's, not the number of output names.
  EXPECT_EQ(run(ret, {{1.0, 2.0}}).size(), 1u);
  EXPECT_EQ(run(fit, {}).size(), 2u);
}

struct CtorCase {
  const char* kind;
  Names inputs;
  std::size_t horizon;
  Names outputs;
  const char* message;  // nullptr: accepted
};

class TargetConstruction : public testing::TestWithParam<CtorCase> {};

TEST_P(TargetConstruction, ChecksRunInOrder) {
  const CtorCase& c = GetParam();
  const std::string kind = c.kind;
  std::optional<ZerakError> error;
  std::size_t forward = 0;
  const auto take = [&](auto result) {
    if (result) {
      forward = result.value().forward_period();
      EXPECT_EQ(result.value().warm_up_period(), 0u);
      EXPECT_EQ(result.value().input_names(), c.inputs);
      EXPECT_EQ(result.value().output_names(), c.outputs);
    } else {
      error = result.error();
    }
  };
  if (kind == "return") take(FutureReturn::create(c.inputs, c.horizon, c.outputs));
  if (kind == "vol") take(FutureCTCVolatility::create(c.inputs, c.horizon, c.outputs));
  if (kind == "slope") take(FutureLinearSlope::create(c.inputs, c.horizon, c.outputs));
  if (c.message == nullptr) {
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(forward, c.horizon);
  } else {
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->is<ZerakError::InvalidInput>());
    EXPECT_EQ(error->message(), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TargetConstruction,
    testing::Values(
        CtorCase{"return", {}, 0, {}, "inputs must not be empty"},
        CtorCase{"return", {"c"}, 0, {}, "horizon must be > 0"},
        CtorCase{"return", {"c"}, 1, {}, "outputs must not be empty"},
        CtorCase{"return", {"c", "d"}, 1, {"a", "b"}, nullptr},
        CtorCase{"vol", {}, 1, {}, "inputs must not be empty"},
        CtorCase{"vol", {"c"}, 1, {}, "horizon must be >= 2 (std_dev requires at least 2 log returns)"},
        CtorCase{"vol", {"c"}, 2, {}, "outputs must not be empty"},
        CtorCase{"vol", {"c"}, 2, {"v", "w"}, nullptr},
        CtorCase{"slope", {"x"}, 0, {}, "inputs must contain x and y columns"},
        CtorCase{"slope", {"x", ""}, 0, {}, "input names must not be empty"},
        CtorCase{"slope", {"x", "y", ""}, 0, {}, "input names must not be empty"},
        CtorCase{"slope", {"x", "y"}, 1, {}, "horizon must be >= 2"},
        CtorCase{"slope", {"x", "y"}, 2, {"s"}, "outputs must contain exactly 2 names: [slope, r2]"},
        CtorCase{"slope", {"x", "y", "z"}, 2, {"s", "r"}, nullptr}));

}  // namespace
}  // namespace zerak
