#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "feature_test_util.hpp"
#include "features/volatility/parkinson_volatility.hpp"
#include "features/volatility/rogers_satchell_volatility.hpp"

namespace zerak {
namespace {

using testing::feed_rows;

struct TermCase {
  double h, l, o, c;
  bool usable;
};

class RangeTerms : public ::testing::TestWithParam<TermCase> {};

TEST_P(RangeTerms, DomainOfABar) {
  const TermCase& t = GetParam();
  EXPECT_EQ(RogersSatchellVolatility::term(t.h, t.l, t.o, t.c).has_value(), t.usable);
  // The high-low estimator looks at neither open nor close.
  const bool hl_usable = t.h > 0 && t.l > 0 && t.h >= t.l;
  EXPECT_EQ(ParkinsonVolatility::term(t.h, t.l).has_value(), hl_usable);
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeTerms,
    ::testing::Values(TermCase{110, 90, 100, 105, true},
                      TermCase{110, 90, 120, 80, true},  // outside the range
                      TermCase{90, 110, 100, 100, false}, TermCase{0, 0, 1, 1, false},
                      TermCase{110, 90, 0, 100, false}, TermCase{110, 90, 100, -1, false},
                      TermCase{kNan, 90, 100, 100, false}, TermCase{110, 90, kNan, 100, false}));

TEST(RangeVolatility, SurplusColumnsShortRowsAndHugeWindows) {
  auto rs = RogersSatchellVolatility::create({"h", "l", "o", "c", "v"}, 4, {"a", "b"}).value();
  EXPECT_EQ(rs.warm_up_period(), 3u);
  EXPECT_EQ(rs.values_read(), 4u);
  const Value three[] = {110.0, 90.0, 100.0};
  EXPECT_FALSE(rs.update(three)[0]);
  auto p = ParkinsonVolatility::create({"h", "l"}, 1, {"v"}).value();
  const Value one[] = {2.0};
  EXPECT_FALSE(p.update(one)[0]);
  // The short row did not enter the window.
  EXPECT_TRUE(feed_rows(p, {{2.0, 1.0}})[0][0]);
  const std::size_t huge = std::numeric_limits<std::size_t>::max();
  EXPECT_THROW((void)ParkinsonVolatility::create({"h", "l"}, huge, {"v"}), std::length_error);
  EXPECT_THROW((void)RogersSatchellVolatility::create({"h", "l", "o", "c"}, huge, {"v"}),
               std::length_error);
}

}  // namespace
}  // namespace zerak
