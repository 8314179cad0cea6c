#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fitting/standard_scaler.hpp"
#include "scalers/fixed_zscore.hpp"
#include "scalers/rolling_zscore.hpp"

namespace zerak {
namespace {

using Outputs = std::vector<Value>;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <class T>
Outputs feed(T& t, const std::vector<Value>& xs) {
  Outputs out;
  for (const Value& x : xs) {
    const Value row[] = {x};
    out.push_back(t.update(row)[0]);
  }
  return out;
}

TEST(FixedZScore, ScalesPresentValuesOnly) {
  auto z = FixedZScore::create({"x"}, {"z"}, 2.0, 0.5).value();
  EXPECT_EQ(feed(z, {3.0, kMissing, kInf}), (Outputs{2.0, kMissing, kInf}));
  EXPECT_EQ(z.warm_up_period(), 0u);
  // A NaN std is accepted and yields present NaNs.
  auto nan_std = FixedZScore::create({"x"}, {"z"}, 0.0, kNan).value();
  EXPECT_TRUE(std::isnan(*feed(nan_std, {1.0})[0]));
}

TEST(FixedZScore, ChecksInOrder) {
  EXPECT_EQ(FixedZScore::create({"x", "y"}, {}, 0.0, 0.0).error().message(),
            "inputs must contain exactly 1 column");
  EXPECT_EQ(FixedZScore::create({"x"}, {}, 0.0, 0.0).error().message(),
            "outputs must not be empty");
  for (double s : {0.0, -0.0, -1.0, -kInf}) {
    EXPECT_EQ(FixedZScore::create({"x"}, {"z"}, 0.0, s).error().message(), "std must be > 0");
  }
}

TEST(RollingZScore, WorkedValues) {
  auto z = RollingZScore::create({"x"}, 3, {"z"}).value();
  const Outputs out = feed(z, {1.0, 2.0, 3.0, 3.0, 3.0, 3.0});
  EXPECT_EQ(Outputs(out.begin(), out.begin() + 3), (Outputs{kMissing, kMissing, 1.0}));
  EXPECT_NEAR(*out[3], 0.577350269189626, 1e-15);
  EXPECT_FALSE(out[5].has_value());  // constant window
  // Equal values whose mean is not exact are still a constant window.
  z.reset();
  EXPECT_FALSE(feed(z, {0.1, 0.1, 0.1})[2].has_value());
  EXPECT_EQ(z.warm_up_period(), 2u);
}

TEST(RollingZScore, GapBlanksWindowBarsAndNanVarianceIsMissing) {
  auto z = RollingZScore::create({"x"}, 3, {"z"}).value();
  std::vector<Value> xs;
  for (int i = 0; i < 12; ++i) xs.push_back(double(i * i % 5));
  xs[5] = kMissing;
  const Outputs out = feed(z, xs);
  for (std::size_t i = 2; i < out.size(); ++i) {
    EXPECT_EQ(out[i].has_value(), i < 5 || i >= 8) << "bar " << i;
  }
  z.reset();
  EXPECT_FALSE(feed(z, {1.0, kInf, 2.0})[2].has_value());
}

TEST(RollingZScore, ChecksInOrder) {
  EXPECT_EQ(RollingZScore::create({}, 1, {}).error().message(),
            "inputs must contain exactly 1 column");
  EXPECT_EQ(RollingZScore::create({"x"}, 1, {}).error().message(),
            "window must be >= 2 (need at least 2 values for std)");
  EXPECT_EQ(RollingZScore::create({"x"}, 2, {}).error().message(), "outputs must not be empty");
  EXPECT_ANY_THROW((void)RollingZScore::create({"x"}, std::numeric_limits<std::size_t>::max(),
                                               {"z"}));
}

TEST(FitStandardScaler, MeanAndSampleStdOfPresentValues) {
  const auto fit = fit_standard_scaler(std::vector<Value>{1.0, 2.0, 3.0}).value();
  EXPECT_EQ(fit.mean, 2.0);
  EXPECT_EQ(fit.std, 1.0);
  const auto gap = fit_standard_scaler(std::vector<Value>{1.0, kMissing, 3.0}).value();
  EXPECT_EQ(gap.mean, 2.0);
  EXPECT_EQ(gap.std, 1.4142135623730951);
  // Infinite data gives a NaN variance, which is returned rather than rejected.
  EXPECT_TRUE(std::isnan(fit_standard_scaler(std::vector<Value>{1.0, kInf}).value().std));
}

TEST(FitStandardScaler, Failures) {
  auto message = [](std::vector<Value> data) {
    return fit_standard_scaler(data).error().message();
  };
  EXPECT_EQ(message({}), "not enough valid values to compute mean");
  EXPECT_EQ(message({kMissing}), "not enough valid values to compute mean");
  EXPECT_EQ(message({5.0}), "not enough valid values to compute std (need >= 2)");
  EXPECT_EQ(message({4.0, kMissing, 4.0}), "standard deviation is zero (all values are equal)");
  // Rounding gives 0.1, 0.1, 0.1 a mean of 0.10000000000000002; still all equal.
  EXPECT_EQ(message({0.1, 0.1, 0.1}), "standard deviation is zero (all values are equal)");
}

}  // namespace
}  // namespace zerak
