#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "feature_test_util.hpp"
#include "features/parkinson_volatility.hpp"
#include "features/rogers_satchell_volatility.hpp"

namespace zerak {
namespace {

using testing::feed_rows;
using testing::same;

using Rows = std::vector<std::vector<Value>>;

TEST(ParkinsonVolatility, WorkedValues) {
  auto p = ParkinsonVolatility::create({"h", "l"}, 1, {"v"}).value();
  const Value r = feed_rows(p, {{2.718281828459045, 1.0}})[0][0];
  ASSERT_TRUE(r);
  EXPECT_NEAR(*r, 0.6005612, 1e-7);
  EXPECT_EQ(*r, std::sqrt(std::pow(std::log(2.718281828459045), 2) / (4 * std::log(2.0))));
  auto flat = ParkinsonVolatility::create({"h", "l"}, 2, {"v"}).value();
  EXPECT_EQ(feed_rows(flat, {{3.0, 3.0}, {5.0, 5.0}})[1][0], 0.0);
}

TEST(ParkinsonVolatility, UnusableBarBlanksExactlyWindowBars) {
  auto p = ParkinsonVolatility::create({"h", "l"}, 3, {"v"}).value();
  Rows rows;
  for (int i = 0; i < 10; ++i) rows.push_back({10.0 + i, 9.0 + i});
  rows[4] = {8.0, 9.0};  // high below low
  const auto got = feed_rows(p, rows);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(got[i][0].has_value(), i >= 2 && (i < 4 || i > 6)) << i;
}

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

INSTANTIATE_TEST_SUITE_P(Cases, RangeTerms,
                         ::testing::Values(TermCase{110, 90, 100, 105, true},
                                           TermCase{110, 90, 120, 80, true},  // outside the range
                                           TermCase{90, 110, 100, 100, false},
                                           TermCase{0, 0, 1, 1, false},
                                           TermCase{110, 90, 0, 100, false},
                                           TermCase{110, 90, 100, -1, false},
                                           TermCase{kNan, 90, 100, 100, false},
                                           TermCase{110, 90, kNan, 100, false}));

TEST(RogersSatchellVolatility, WorkedValues) {
  auto rs = RogersSatchellVolatility::create({"h", "l", "o", "c"}, 1, {"v"}).value();
  const Value r = feed_rows(rs, {{110.0, 90.0, 100.0, 105.0}})[0][0];
  ASSERT_TRUE(r);
  EXPECT_NEAR(*r, std::sqrt(0.0206752), 1e-6);
  EXPECT_NEAR(*r, 0.14379, 1e-5);
  // Open at the high and close at the low: no intrabar drift, term 0.
  EXPECT_EQ(feed_rows(rs, {{110.0, 90.0, 110.0, 90.0}})[0][0], 0.0);
}

TEST(RogersSatchellVolatility, NegativeMeanIsMissing) {
  auto rs = RogersSatchellVolatility::create({"h", "l", "o", "c"}, 2, {"v"}).value();
  // Open far above the high and close far below the low make the terms negative.
  ASSERT_LT(*RogersSatchellVolatility::term(101.0, 99.0, 150.0, 50.0), 0.0);
  const auto got = feed_rows(rs, {{101.0, 99.0, 150.0, 50.0}, {101.0, 99.0, 150.0, 50.0}});
  EXPECT_FALSE(got[1][0]);
}

TEST(RangeVolatility, ConstructorChecksInTheirOwnOrder) {
  EXPECT_EQ(ParkinsonVolatility::create({"h"}, 0, {}).error().message(),
            "inputs must contain high and low columns");
  EXPECT_EQ(ParkinsonVolatility::create({"h", "l"}, 0, {}).error().message(),
            "outputs must not be empty");
  EXPECT_EQ(ParkinsonVolatility::create({"h", "l"}, 0, {"v"}).error().message(),
            "window must be non-zero");
  EXPECT_EQ(RogersSatchellVolatility::create({"h", "l", "o"}, 0, {}).error().message(),
            "inputs must contain high, low, open, and close columns");
  EXPECT_EQ(RogersSatchellVolatility::create({"h", "l", "o", "c"}, 0, {}).error().message(),
            "window must be non-zero");
  EXPECT_EQ(RogersSatchellVolatility::create({"h", "l", "o", "c"}, 1, {}).error().message(),
            "outputs must not be empty");
}

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

TEST(RangeVolatility, ResetMatchesFresh) {
  auto p = ParkinsonVolatility::create({"h", "l"}, 3, {"v"}).value();
  Rows rows;
  for (int i = 0; i < 20; ++i) rows.push_back({12.0 + (i % 5), 10.0 - (i % 3)});
  const auto first = feed_rows(p, rows);
  auto copy = p.fresh();
  p.reset();
  const auto again = feed_rows(p, rows);
  const auto from_copy = feed_rows(*copy, rows);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(same(first[i][0], again[i][0]));
    EXPECT_TRUE(same(first[i][0], from_copy[i][0]));
  }
}

}  // namespace
}  // namespace zerak
