#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
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
