#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "feature_test_util.hpp"
#include "features/statistics/shannon_entropy.hpp"

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

TEST(ShannonEntropy, SturgesBinCounts) {
  const std::pair<std::size_t, std::size_t> cases[] = {{2, 2},  {3, 3},  {4, 3},   {5, 4},
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

}  // namespace
}  // namespace zerak
