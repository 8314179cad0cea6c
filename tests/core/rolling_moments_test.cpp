#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

#include "feature_test_util.hpp"
#include "features/moments/kurtosis.hpp"
#include "features/moments/skewness.hpp"

namespace zerak {
namespace {

using testing::column;
using testing::feed;
using testing::rough_series;
using testing::same;

// The statistics written out plainly over a vector, in the same order of
// operations, as an independent check of the ring's oldest-first traversal.
struct Plain {
  double mean = 0, sd = 0;
  bool ok = false;
  explicit Plain(const std::vector<double>& w) {
    double s = 0.0;
    for (double x : w) s += x;
    mean = s / double(w.size());
    double q = 0.0;
    for (double x : w) q += (x - mean) * (x - mean);
    const double var = q / double(w.size() - 1);
    ok = var != 0.0 && std::adjacent_find(w.begin(), w.end(), std::not_equal_to<>()) != w.end();
    sd = std::sqrt(var);
  }
};

Value plain_skew(const std::vector<double>& w) {
  const Plain p(w);
  if (!p.ok) return kMissing;
  double s3 = 0.0;
  for (double x : w) {
    const double z = (x - p.mean) / p.sd;
    s3 += z * z * z;
  }
  const double n = double(w.size());
  return n / ((n - 1) * (n - 2)) * s3;
}

Value plain_kurt(const std::vector<double>& w) {
  const Plain p(w);
  if (!p.ok) return kMissing;
  double s4 = 0.0;
  for (double x : w) {
    const double z = (x - p.mean) / p.sd;
    s4 += (z * z) * (z * z);
  }
  const double n = double(w.size());
  return s4 * ((n * (n + 1)) / (((n - 1) * (n - 2)) * (n - 3))) -
         (3.0 * ((n - 1) * (n - 1))) / ((n - 2) * (n - 3));
}

template <class F>
std::vector<Value> plain_rolling(const std::vector<Value>& xs, std::size_t window, F f) {
  std::vector<Value> out;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    if (i + 1 < window) {
      out.push_back(kMissing);
      continue;
    }
    std::vector<double> w;
    bool gap = false;
    for (std::size_t j = i + 1 - window; j <= i; ++j) {
      if (!xs[j])
        gap = true;
      else
        w.push_back(*xs[j]);
    }
    out.push_back(gap ? kMissing : f(w));
  }
  return out;
}

class MomentsMatchPlainReference : public ::testing::TestWithParam<std::size_t> {};

TEST_P(MomentsMatchPlainReference, BitForBitAcrossWrapAround) {
  const std::size_t window = GetParam();
  const auto xs = rough_series(600, 7 + std::uint32_t(window));
  auto skew = Skewness::create({"x"}, window, {"s"}).value();
  auto kurt = Kurtosis::create({"x"}, window, {"k"}).value();
  const auto want_s = plain_rolling(xs, window, plain_skew);
  const auto want_k = plain_rolling(xs, window, plain_kurt);
  const auto got_s = feed(skew, xs);
  const auto got_k = feed(kurt, xs);
  std::size_t present = 0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    ASSERT_TRUE(same(got_s[i], want_s[i])) << "skew bar " << i;
    ASSERT_TRUE(same(got_k[i], want_k[i])) << "kurt bar " << i;
    present += got_k[i].has_value();
  }
  EXPECT_GT(present, xs.size() / 5);  // the data exercised the arithmetic
}

INSTANTIATE_TEST_SUITE_P(Windows, MomentsMatchPlainReference, ::testing::Values(4, 5, 13, 40));

TEST(Moments, InfiniteInputGivesPresentNan) {
  auto skew = Skewness::create({"x"}, 3, {"s"}).value();
  const Value r = feed(skew, column({1, std::numeric_limits<double>::infinity(), 3}))[2];
  ASSERT_TRUE(r);
  EXPECT_TRUE(std::isnan(*r));
}

TEST(Moments, PeriodsAndSurplusNames) {
  auto s = Skewness::create({"x", "unused"}, 20, {"a", "b"}).value();
  EXPECT_EQ(s.warm_up_period(), 19u);
  EXPECT_EQ(s.values_read(), 1u);
  const Value one[] = {1.0, kMissing};
  EXPECT_EQ(s.update(one).size(), 1u);
}

TEST(Moments, ImpossibleWindowFailsAtConstruction) {
  const std::size_t huge = std::numeric_limits<std::size_t>::max();
  EXPECT_THROW((void)Skewness::create({"x"}, huge, {"s"}), std::length_error);
  EXPECT_THROW((void)Kurtosis::create({"x"}, huge / 2, {"k"}), std::length_error);
}

TEST(Moments, EmptyRowLeavesStateAlone) {
  auto k = Kurtosis::create({"x"}, 4, {"k"}).value();
  feed(k, column({1, 2, 3}));
  EXPECT_FALSE(k.update({})[0]);
  EXPECT_NEAR(*feed(k, column({4}))[0], -1.2, 1e-14);
}

}  // namespace
}  // namespace zerak
