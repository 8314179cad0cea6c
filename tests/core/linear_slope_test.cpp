#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "feature_test_util.hpp"
#include "features/linear_slope.hpp"

namespace zerak {
namespace {

using testing::rough_series;
using testing::same;

OutputRow last_row(LinearSlope& f, const std::vector<double>& xs, const std::vector<double>& ys) {
  OutputRow row;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const Value bar[] = {xs[i], ys[i]};
    row = f.update(bar);
  }
  return row;
}

struct SlopeCase {
  std::vector<double> x, y;
  Value slope, r2;
};

class LinearSlopeWorked : public ::testing::TestWithParam<SlopeCase> {};

TEST_P(LinearSlopeWorked, LastBar) {
  const SlopeCase& c = GetParam();
  auto f = LinearSlope::create({"x", "y"}, 3, {"b", "r2"}).value();
  const OutputRow row = last_row(f, c.x, c.y);
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[0], c.slope);
  EXPECT_EQ(row[1], c.r2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinearSlopeWorked,
    ::testing::Values(SlopeCase{{1, 2, 3}, {2, 4, 6}, 2.0, 1.0},
                      SlopeCase{{1, 2, 3}, {3, 1, 2}, -0.5, 0.25},
                      SlopeCase{{1, 2, 3}, {5, 5, 5}, 0.0, kMissing},  // flat y: no R²
                      SlopeCase{{4, 4, 4}, {1, 9, 2}, kMissing, kMissing},
                      // Identical x whose mean is inexact: still nothing to fit.
                      SlopeCase{{0.1, 0.1, 0.1}, {100.3, 100.1, 100.2}, kMissing, kMissing}));

TEST(LinearSlope, MissingYBlanksExactlyWindowBars) {
  auto f = LinearSlope::create({"x", "y"}, 3, {"b", "r2"}).value();
  std::size_t blank = 0;
  for (int i = 0; i < 12; ++i) {
    const Value bar[] = {double(i), i == 5 ? kMissing : Value(i * 0.5)};
    const OutputRow row = f.update(bar);
    EXPECT_EQ(row[0].has_value(), row[1].has_value());
    if (i >= 2 && !row[0]) ++blank;
  }
  EXPECT_EQ(blank, 3u);
}

// Plain two-pass least squares over vectors.
std::pair<Value, Value> plain_fit(const std::vector<double>& x, const std::vector<double>& y) {
  double sx = 0, sy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sx += x[i];
    sy += y[i];
  }
  const double mx = sx / double(x.size()), my = sy / double(x.size());
  double sxx = 0, sxy = 0, syy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sxx += (x[i] - mx) * (x[i] - mx);
    sxy += (x[i] - mx) * (y[i] - my);
    syy += (y[i] - my) * (y[i] - my);
  }
  if (sxx == 0 || std::count(x.begin(), x.end(), x[0]) == std::ptrdiff_t(x.size())) {
    return {kMissing, kMissing};
  }
  return {sxy / sxx, syy != 0 ? Value(sxy * sxy / (syy * sxx)) : kMissing};
}

TEST(LinearSlope, MatchesPlainFitAcrossWrapAround) {
  const std::size_t window = 9;
  const auto xs = rough_series(400, 11);
  const auto ys = rough_series(400, 12);
  auto f = LinearSlope::create({"x", "y", "z"}, window, {"b", "r2"}).value();
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const Value bar[] = {xs[i], ys[i], kMissing};
    const OutputRow row = f.update(bar);
    std::pair<Value, Value> want{kMissing, kMissing};
    if (i + 1 >= window) {
      std::vector<double> wx, wy;
      for (std::size_t j = i + 1 - window; j <= i; ++j) {
        if (xs[j] && ys[j]) {
          wx.push_back(*xs[j]);
          wy.push_back(*ys[j]);
        }
      }
      if (wx.size() == window) want = plain_fit(wx, wy);
    }
    ASSERT_TRUE(same(row[0], want.first)) << i;
    ASSERT_TRUE(same(row[1], want.second)) << i;
  }
}

struct SlopeCtor {
  Names inputs;
  std::size_t window;
  Names outputs;
  const char* msg;
};

class LinearSlopeCtor : public ::testing::TestWithParam<SlopeCtor> {};

TEST_P(LinearSlopeCtor, ChecksRunInOrder) {
  const SlopeCtor& c = GetParam();
  const auto r = LinearSlope::create(c.inputs, c.window, c.outputs);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message(), c.msg);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinearSlopeCtor,
    ::testing::Values(SlopeCtor{{"x"}, 1, {"b"}, "inputs must contain x and y columns"},
                      SlopeCtor{{"x", "y"}, 1, {"b"}, "window must be >= 2"},
                      SlopeCtor{{"x", "y"}, 2, {"b"}, "outputs must contain exactly 2 names: [slope, r2]"},
                      SlopeCtor{{"x", "y"}, 2, {"a", "b", "c"},
                                "outputs must contain exactly 2 names: [slope, r2]"}));

TEST(LinearSlope, ShortRowGivesTwoMissingAndPeriods) {
  auto f = LinearSlope::create({"x", "y"}, 5, {"b", "r2"}).value();
  EXPECT_EQ(f.warm_up_period(), 4u);
  EXPECT_EQ(f.values_returned(), 2u);
  const Value one[] = {1.0};
  const OutputRow row = f.update(std::span(one, 1));
  ASSERT_EQ(row.size(), 2u);
  EXPECT_FALSE(row[0] || row[1]);
  EXPECT_THROW((void)LinearSlope::create({"x", "y"}, std::numeric_limits<std::size_t>::max(),
                                         {"b", "r2"}),
               std::length_error);
}

}  // namespace
}  // namespace zerak
