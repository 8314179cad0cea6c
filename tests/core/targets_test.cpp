#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <vector>

#include "targets/future_linear_slope.hpp"
#include "tools/pairwise.hpp"
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
  std::size_t ahead;
  Series want;
};

class ShiftAhead : public testing::TestWithParam<ShiftCase> {};

TEST_P(ShiftAhead, MovesValuesAndLeavesTheGapMissing) {
  expect_series(tools::shift_ahead(Series{1.0, 2.0, 3.0}, GetParam().ahead), GetParam().want);
  EXPECT_TRUE(tools::shift_ahead(Series{}, GetParam().ahead).empty());
}

INSTANTIATE_TEST_SUITE_P(Distances, ShiftAhead,
                         testing::Values(ShiftCase{0, {1.0, 2.0, 3.0}},
                                         ShiftCase{1, {2.0, 3.0, kMissing}},
                                         ShiftCase{3, all_missing(3)},
                                         ShiftCase{kHuge, all_missing(3)}));

template <class Combine>
Series pairwise(const Series& a, const Series& b, Combine combine) {
  Series out{kMissing};  // appended to, never overwritten
  tools::pairwise_into(out, a, b, combine);
  return Series(out.begin() + 1, out.end());
}

TEST(Pairwise, ReturnsOverTheShorterLengthWithStrictDomains) {
  const double nan = std::nan("");
  expect_series(pairwise(Series{100.0, 0.0, 50.0, -5.0, nan},
                         Series{110.0, 5.0, kMissing, -4.0, 1.0}, tools::simple_return),
                {0.1, kMissing, kMissing, kMissing, kMissing}, 1e-15);
  expect_series(pairwise(Series{1.0, -1.0, 2.0, -2.0}, Series{std::exp(1.0), 2.0, 0.0, -4.0},
                         tools::log_return),
                {1.0, kMissing, kMissing, kMissing}, 1e-15);
  EXPECT_EQ(pairwise(all_missing(5), all_missing(3), tools::log_return).size(), 3u);
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

}  // namespace
}  // namespace zerak
