#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "feature_test_util.hpp"
#include "features/statistics/linear_slope.hpp"

namespace zerak {
namespace {

using testing::rough_series;
using testing::same;

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

TEST(LinearSlope, ShortRowGivesTwoMissingAndPeriods) {
  auto f = LinearSlope::create({"x", "y"}, 5, {"b", "r2"}).value();
  EXPECT_EQ(f.warm_up_period(), 4u);
  EXPECT_EQ(f.values_returned(), 2u);
  const Value one[] = {1.0};
  const OutputRow row = f.update(std::span(one, 1));
  ASSERT_EQ(row.size(), 2u);
  EXPECT_FALSE(row[0] || row[1]);
  EXPECT_THROW(
      (void)LinearSlope::create({"x", "y"}, std::numeric_limits<std::size_t>::max(), {"b", "r2"}),
      std::length_error);
}

}  // namespace
}  // namespace zerak
