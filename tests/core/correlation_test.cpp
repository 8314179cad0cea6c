#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "features/correlation/auto_correlation.hpp"
#include "features/correlation/correlation.hpp"
#include "ops/correlation.hpp"
#include "reference/correlation.hpp"

namespace zerak {
namespace {

using reference::kendall_correlation;
using reference::pearson_correlation;
using reference::spearman_correlation;

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr CorrelationMethod kMethods[] = {CorrelationMethod::Pearson, CorrelationMethod::Spearman,
                                          CorrelationMethod::Kendall};

using Kernel = Value (*)(std::span<const Value>, std::span<const Value>);
constexpr Kernel kKernels[] = {pearson_correlation, spearman_correlation, kendall_correlation};

Kernel kernel_of(CorrelationMethod m) { return kKernels[static_cast<int>(m)]; }

std::vector<Value> values(std::initializer_list<double> xs) { return {xs.begin(), xs.end()}; }

// Random series with many ties (values drawn from a few levels) and, at
// random, a constant stretch.
std::vector<Value> tied_series(std::mt19937_64& rng, std::size_t n) {
  std::uniform_int_distribution<int> level(0, 5);
  std::vector<Value> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(level(rng) * 0.5);
  if (n > 8 && rng() % 2 == 0) {
    for (std::size_t i = 2; i < 7; ++i) out[i] = 1.5;
  }
  return out;
}

// Average rank by counting, O(n^2): the reference for the merge sort.
std::vector<double> counted_ranks(const std::vector<Value>& v) {
  std::vector<double> out;
  for (const Value& a : v) {
    double less = 0;
    double equal = 0;
    for (const Value& b : v) {
      less += *b < *a;
      equal += *b == *a;
    }
    out.push_back(less + (equal + 1) * 0.5);
  }
  return out;
}

TEST(Rank, AverageRanksOfTiesInInputOrder) {
  EXPECT_EQ(reference::rank(values({10, 20, 20, 30})), (std::vector<double>{1, 2.5, 2.5, 4}));
  EXPECT_EQ(reference::rank(values({3, 1, 2})), (std::vector<double>{3, 1, 2}));
  EXPECT_EQ(reference::rank(values({7, 7, 7})), (std::vector<double>{2, 2, 2}));
  EXPECT_EQ(reference::rank({}), std::vector<double>{});
  EXPECT_FALSE(reference::rank(std::vector<Value>{1.0, kMissing}).has_value());
}

TEST(Rank, MatchesCountingAcrossRunAndMergeBoundaries) {
  std::mt19937_64 rng(7);
  for (std::size_t n : {1u, 2u, 15u, 16u, 17u, 31u, 33u, 64u, 100u, 257u}) {
    const auto v = tied_series(rng, n);
    EXPECT_EQ(reference::rank(v), counted_ranks(v)) << "n=" << n;
  }
}

TEST(Rank, NanTakesSomePositionAndEndsRunsOfTies) {
  // Whatever position a NaN sorts to, the ranks stay a permutation of
  // 1..n with ties averaged, and a NaN is never tied with anything.
  const auto r = reference::rank(values({2, kNan, 2, 1, kNan, 3})).value();
  ASSERT_EQ(r.size(), 6u);
  double sum = 0;
  for (double x : r) {
    EXPECT_GE(x, 1.0);
    EXPECT_LE(x, 6.0);
    sum += x;
  }
  EXPECT_EQ(sum, 21.0);
  EXPECT_NE(r[1], r[4]);
}

TEST(Kernels, SharedRulesGiveMissing) {
  const auto three = values({1, 2, 3});
  const auto two = values({1, 2});
  const auto one = values({1});
  const std::vector<Value> with_missing{1.0, kMissing, 3.0};
  const auto constant = values({5, 5, 5});
  for (Kernel k : kKernels) {
    EXPECT_FALSE(k(three, two).has_value());
    EXPECT_FALSE(k(one, one).has_value());
    EXPECT_FALSE(k({}, {}).has_value());
    EXPECT_FALSE(k(three, with_missing).has_value());
    EXPECT_FALSE(k(with_missing, three).has_value());
    EXPECT_FALSE(k(constant, three).has_value());
    EXPECT_FALSE(k(three, constant).has_value());
  }
}

TEST(Kernels, KendallTauBWithTies) {
  EXPECT_DOUBLE_EQ(*kendall_correlation(values({1, 1, 2}), values({1, 2, 3})), 2 / std::sqrt(6.0));
  // Tied in both: counts once in each tie count. c=2 (pairs 0-2, 1-2),
  // ties_x = ties_y = 1, total 3: 2 / sqrt(2 * 2).
  EXPECT_EQ(kendall_correlation(values({1, 1, 2}), values({4, 4, 5})), 1.0);
}

TEST(Kernels, PresentNanIsTakenAsItIs) {
  const auto x = values({1, 2, kNan});
  const auto y = values({1, 2, 3});
  const Value p = pearson_correlation(x, y);
  ASSERT_TRUE(p.has_value());
  EXPECT_TRUE(std::isnan(*p));
  // Pair 0-1 concordant; both pairs with the NaN count as discordant.
  EXPECT_DOUBLE_EQ(*kendall_correlation(x, y), -1.0 / 3.0);
  // A NaN difference beside a tie in y is a tie in y, not discordant: every
  // pair is then tied in y.
  EXPECT_FALSE(kendall_correlation(values({1, kNan}), values({5, 5})).has_value());
  const Value s = spearman_correlation(x, y);
  ASSERT_TRUE(s.has_value());
  EXPECT_TRUE(std::isfinite(*s));
}

TEST(Kendall, PairCountNeverFormsTheOverflowingProduct) {
  EXPECT_EQ(ops::dense::pair_count(0), 0u);
  EXPECT_EQ(ops::dense::pair_count(1), 0u);
  EXPECT_EQ(ops::dense::pair_count(3), 3u);
  EXPECT_EQ(ops::dense::pair_count(100'000), 4'999'950'000u);
  EXPECT_EQ(ops::dense::pair_count(std::uint64_t{1} << 32),
            (std::uint64_t{1} << 31) * ((std::uint64_t{1} << 32) - 1));
}

TEST(Kendall, TauBStaysRightPastTheSixtyFourBitDenominator) {
  // 100,000 points: (total - ties)^2 is about 2.5e19, beyond 2^63.
  const auto total = static_cast<std::int64_t>(ops::dense::pair_count(100'000));
  EXPECT_DOUBLE_EQ(*ops::dense::tau_b(total, 0, 0, 0, total), 1.0);
  EXPECT_DOUBLE_EQ(*ops::dense::tau_b(0, total, 0, 0, total), -1.0);
  const std::int64_t ties = total / 4;
  const Value t = ops::dense::tau_b(total - ties, 0, ties, 0, total);
  EXPECT_NEAR(*t, std::sqrt(0.75), 1e-15);
  EXPECT_FALSE(ops::dense::tau_b(0, 0, total, 0, total).has_value());
  EXPECT_FALSE(ops::dense::tau_b(0, 0, 0, total, total).has_value());
}

TEST(Kernels, DenseKernelsAgreeWithThePublicOnesOnRandomTiedWindows) {
  std::mt19937_64 rng(11);
  for (int trial = 0; trial < 200; ++trial) {
    const std::size_t n = 2 + rng() % 60;
    const auto x = tied_series(rng, n);
    const auto y = tied_series(rng, n);
    std::vector<double> px, py;
    for (std::size_t i = 0; i < n; ++i) {
      px.push_back(*x[i]);
      py.push_back(*y[i]);
    }
    ops::dense::SpearmanScratch scratch(64);
    EXPECT_EQ(ops::dense::pearson(px, py), pearson_correlation(x, y));
    EXPECT_EQ(ops::dense::spearman(px, py, scratch), spearman_correlation(x, y));
    EXPECT_EQ(ops::dense::kendall(px, py), kendall_correlation(x, y));
  }
}

// ---- features: what Python cannot see ----------------------------------------

std::vector<Value> run(StreamingTransform& t, const std::vector<std::vector<Value>>& bars) {
  std::vector<Value> out;
  for (const auto& bar : bars) out.push_back(t.update(bar)[0]);
  return out;
}

std::vector<std::vector<Value>> pairs_of(const std::vector<Value>& x, const std::vector<Value>& y) {
  std::vector<std::vector<Value>> bars;
  for (std::size_t i = 0; i < x.size(); ++i) bars.push_back({x[i], y[i]});
  return bars;
}

std::vector<std::vector<Value>> singles_of(const std::vector<Value>& x) {
  std::vector<std::vector<Value>> bars;
  for (const Value& v : x) bars.push_back({v});
  return bars;
}

// Live updates equal the public kernel over the same windows, bit for bit.
TEST(Correlation, UpdatesMatchTheKernelOnEveryWindow) {
  std::mt19937_64 rng(3);
  const std::size_t n = 300;
  auto x = tied_series(rng, n);
  auto y = tied_series(rng, n);
  std::normal_distribution<double> noise;
  for (std::size_t i = 0; i < n; i += 3) x[i] = noise(rng);
  x[100] = kMissing;
  y[200] = kNan;
  for (CorrelationMethod m : kMethods) {
    for (std::size_t window : {2u, 7u, 20u, 40u}) {
      auto c = Correlation::create({"a", "b"}, window, {"r"}, m).value();
      const auto out = run(c, pairs_of(x, y));
      for (std::size_t t = window - 1; t < n; ++t) {
        const std::span<const Value> xs(x.data() + t + 1 - window, window);
        const std::span<const Value> ys(y.data() + t + 1 - window, window);
        const Value want = kernel_of(m)(xs, ys);
        ASSERT_EQ(out[t].has_value(), want.has_value()) << t;
        if (want && std::isnan(*want)) {
          EXPECT_TRUE(std::isnan(*out[t]));
        } else {
          EXPECT_EQ(out[t], want) << "method " << int(m) << " window " << window << " bar " << t;
        }
      }
    }
  }
}

TEST(AutoCorrelation, UpdatesMatchTheKernelOnShiftedSlices) {
  std::mt19937_64 rng(5);
  const std::size_t n = 200;
  auto x = tied_series(rng, n);
  x[90] = kMissing;
  for (CorrelationMethod m : kMethods) {
    for (auto [window, lag] :
         {std::pair<std::size_t, std::size_t>{2, 1}, {5, 3}, {10, 1}, {4, 9}}) {
      auto a = AutoCorrelation::create({"x"}, window, {"r"}, lag, m).value();
      const auto out = run(a, singles_of(x));
      for (std::size_t t = window + lag - 1; t < n; ++t) {
        const std::span<const Value> now(x.data() + t + 1 - window, window);
        const std::span<const Value> before(x.data() + t + 1 - window - lag, window);
        EXPECT_EQ(out[t], kernel_of(m)(now, before)) << int(m) << " " << window << " " << lag;
      }
    }
  }
}

TEST(Correlation, ResetAndFreshReplayLikeNew) {
  std::mt19937_64 rng(9);
  const auto bars = pairs_of(tied_series(rng, 50), tied_series(rng, 50));
  for (CorrelationMethod m : kMethods) {
    auto c = Correlation::create({"a", "b"}, 6, {"r"}, m).value();
    auto a = AutoCorrelation::create({"a"}, 6, {"r"}, 2, m).value();
    for (StreamingTransform* t :
         {static_cast<StreamingTransform*>(&c), static_cast<StreamingTransform*>(&a)}) {
      const auto first = run(*t, bars);
      auto copy = t->fresh();  // taken mid-stream
      EXPECT_EQ(run(*copy, bars), first);
      t->reset();
      EXPECT_EQ(run(*t, bars), first);
    }
  }
}

TEST(Correlation, ShortRowsGiveMissingAndLeaveTheWindowAlone) {
  auto c = Correlation::create({"a", "b"}, 2, {"r"}).value();
  const Value one[] = {1.0};
  EXPECT_FALSE(c.update(std::span(one, 1))[0].has_value());
  auto a = AutoCorrelation::create({"a"}, 2, {"r"}).value();
  EXPECT_FALSE(a.update({})[0].has_value());
  EXPECT_EQ(run(c, pairs_of(values({1, 2}), values({1, 2})))[1], 1.0);
}

}  // namespace
}  // namespace zerak
