#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "feature_test_util.hpp"
#include "features/shannon_entropy.hpp"

namespace zerak {
namespace {

using testing::column;
using testing::feed;
using testing::rough_series;
using testing::same;

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

ShannonEntropy make(std::size_t window, ShannonEntropy::BinRule bins, bool normalize = true) {
  return ShannonEntropy::create({"x"}, window, {"h"}, bins, normalize).value();
}

struct EntropyCase {
  std::size_t window;
  ShannonEntropy::BinRule bins;
  bool normalize;
  std::vector<Value> xs;
  double want;
};

class EntropyWorked : public ::testing::TestWithParam<EntropyCase> {};

TEST_P(EntropyWorked, LastBar) {
  const EntropyCase& c = GetParam();
  auto e = make(c.window, c.bins, c.normalize);
  const Value got = feed(e, c.xs).back();
  ASSERT_TRUE(got);
  EXPECT_NEAR(*got, c.want, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntropyWorked,
    ::testing::Values(EntropyCase{4, std::nullopt, true, column({1, 2, 3, 4}), 0.9463946},
                      EntropyCase{4, std::nullopt, false, column({1, 2, 3, 4}), 1.0397208},
                      EntropyCase{2, std::nullopt, true, column({1, 2}), 1.0},
                      EntropyCase{4, 4, true, column({0, 10, 10, 10}), 0.4056391},
                      // Far more bins than values: the same two occupied bins.
                      EntropyCase{4, std::size_t{1} << 62, false, column({0, 10, 10, 10}),
                                  0.5623351446188083},
                      EntropyCase{4, kMax, false, column({0, 10, 10, 10}), 0.5623351446188083}));

TEST(ShannonEntropy, ConstantWindowIsNegativeZero) {
  for (const auto bins : {ShannonEntropy::BinRule{}, ShannonEntropy::BinRule{kMax}}) {
    auto e = make(4, bins);
    const Value got = feed(e, column({5, 5, 5, 5})).back();
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, 0.0);
    EXPECT_TRUE(std::signbit(*got));
  }
}

TEST(ShannonEntropy, SturgesBinCounts) {
  const std::pair<std::size_t, std::size_t> cases[] = {{2, 2},  {3, 3},  {4, 3},  {5, 4},
                                                       {10, 5}, {20, 6}, {100, 8}, {1025, 12}};
  for (const auto& [window, k] : cases) EXPECT_EQ(make(window, std::nullopt).bin_count(), k);
}

// Plain reference: k counters, scanned in index order.
Value plain_entropy(const std::vector<double>& w, std::size_t k, bool normalize) {
  double lo = INFINITY, hi = -INFINITY;
  for (double x : w) {
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  std::vector<std::size_t> counts(k, 0);
  if (hi - lo == 0) {
    counts[0] = w.size();
  } else {
    for (double x : w) {
      const double t = double(k) * ((x - lo) / (hi - lo));
      std::size_t i = t > 0 ? std::size_t(t) : 0;
      counts[std::min(i, k - 1)] += 1;
    }
  }
  double h = -0.0;
  for (std::size_t c : counts) {
    const double p = double(c) / double(w.size());
    if (p > 0) h = h - std::log(p) * p;
  }
  return normalize ? h / std::log(double(k)) : h;
}

class EntropyMatchesPlainReference
    : public ::testing::TestWithParam<std::pair<std::size_t, std::size_t>> {};

// Covers both counting strategies: bins up to the window are counted
// directly, more bins than values through their sorted indices.
TEST_P(EntropyMatchesPlainReference, BitForBit) {
  const auto [window, k] = GetParam();
  const auto xs = rough_series(500, 40 + std::uint32_t(k));
  for (const bool normalize : {true, false}) {
    auto e = make(window, k, normalize);
    const auto got = feed(e, xs);
    for (std::size_t i = 0; i < xs.size(); ++i) {
      Value want = kMissing;
      if (i + 1 >= window) {
        std::vector<double> w;
        for (std::size_t j = i + 1 - window; j <= i; ++j) {
          if (xs[j]) w.push_back(*xs[j]);
        }
        if (w.size() == window) want = plain_entropy(w, k, normalize);
      }
      ASSERT_TRUE(same(got[i], want)) << "bar " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bins, EntropyMatchesPlainReference,
                         ::testing::Values(std::pair<std::size_t, std::size_t>{10, 2},
                                           std::pair<std::size_t, std::size_t>{10, 10},
                                           std::pair<std::size_t, std::size_t>{10, 11},
                                           std::pair<std::size_t, std::size_t>{7, 5000},
                                           std::pair<std::size_t, std::size_t>{30, 1000003}));

TEST(ShannonEntropy, HugeBinCountAllocatesNothingPerBin) {
  // Counters for 2^60 bins would need 8 EiB; the window decides the storage.
  auto e = make(16, std::size_t{1} << 60, false);
  const auto xs = rough_series(200, 5);
  std::size_t present = 0;
  for (const Value& v : feed(e, xs)) {
    if (!v) continue;
    ++present;
    EXPECT_GE(*v, -0.0);
    EXPECT_LE(*v, std::log(16.0) + 1e-12);
  }
  EXPECT_GT(present, 0u);
  auto copy = e.fresh();
  EXPECT_FALSE(feed(*copy, column({1}))[0]);
}

TEST(ShannonEntropy, ConstructorChecksInOrder) {
  const auto msg = [](Names in, std::size_t w, Names out, ShannonEntropy::BinRule b) {
    return ShannonEntropy::create(std::move(in), w, std::move(out), b, true).error().message();
  };
  EXPECT_EQ(msg({}, 0, {}, 1), "inputs must not be empty");
  EXPECT_EQ(msg({"x"}, 0, {}, 1), "outputs must not be empty");
  EXPECT_EQ(msg({"x"}, 1, {"h"}, 1), "window must be >= 2");
  EXPECT_EQ(msg({"x"}, 2, {"h"}, 1), "FixedCount bin count must be >= 2");
  EXPECT_EQ(msg({"x"}, 2, {"h"}, 0), "FixedCount bin count must be >= 2");
  auto e = make(20, 10, false);
  EXPECT_EQ(e.warm_up_period(), 19u);
  EXPECT_EQ(e.bins(), std::optional<std::size_t>(10));
  EXPECT_FALSE(e.normalize());
}

TEST(ShannonEntropy, GapBlanksWindowAndEmptyRowIsIgnored) {
  auto e = make(3, std::nullopt);
  std::vector<Value> xs = column({1, 2, 3, 4, 5, 6, 7, 8});
  xs[3] = kMissing;
  const auto got = feed(e, xs);
  for (std::size_t i = 0; i < xs.size(); ++i) {
    EXPECT_EQ(got[i].has_value(), i == 2 || i >= 6) << i;
  }
  EXPECT_FALSE(e.update({})[0]);
  EXPECT_TRUE(same(feed(e, column({9}))[0], feed(*e.fresh(), column({7, 8, 9}))[2]));
}

}  // namespace
}  // namespace zerak
