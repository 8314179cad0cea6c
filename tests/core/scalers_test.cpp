// Scalers from the core side: present NaN inputs (which Python turns into
// missing ones), short rows and impossible windows. Values are tested from Python.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fitting/standard_scaler.hpp"
#include "scalers/fixed_zscore.hpp"
#include "scalers/rolling_zscore.hpp"

namespace zerak {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(Scalers, PresentNanInputs) {
  auto fixed = FixedZScore::create({"x"}, {"z"}, 0.0, 1.0).value();
  const Value nan_row[] = {kNan};
  EXPECT_TRUE(std::isnan(*fixed.update(nan_row)[0]));  // carried, not missing
  EXPECT_FALSE(fixed.update({})[0].has_value());

  auto rolling = RollingZScore::create({"x"}, 2, {"z"}).value();
  const Value one[] = {1.0};
  (void)rolling.update(one);
  EXPECT_FALSE(rolling.update(nan_row)[0].has_value());  // NaN variance
  EXPECT_FALSE(rolling.update({})[0].has_value());
  const Value three[] = {3.0};
  (void)rolling.update(three);
  EXPECT_EQ(rolling.update(one)[0], -1.0 / std::sqrt(2.0));

  // A present NaN takes part in the fit and makes its variance NaN.
  const auto fit = fit_standard_scaler(std::vector<Value>{1.0, kNan, kMissing}).value();
  EXPECT_TRUE(std::isnan(fit.mean) && std::isnan(fit.std));
}

TEST(Scalers, ImpossibleWindowThrowsAtConstruction) {
  EXPECT_ANY_THROW(
      (void)RollingZScore::create({"x"}, std::numeric_limits<std::size_t>::max(), {"z"}));
}

}  // namespace
}  // namespace zerak
