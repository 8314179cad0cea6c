// The order-statistics and counting structures against a fresh computation
// over each whole window, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <tuple>

#include "features/correlation/auto_correlation.hpp"
#include "features/correlation/correlation.hpp"
#include "features/averages/mma.hpp"
#include "features/statistics/shannon_entropy.hpp"
#include "nasty_series.hpp"
#include "reference/correlation.hpp"
#include "reference/median.hpp"

namespace zerak {
namespace {

using testing::bits_equal;
using testing::nasty_series;

// Runs `t` over the bars, and from bar `fork` on also a clone of it and a
// clone whose derived state was rebuilt from its window; checks each output
// against want(t, bar) and the clones against the original.
template <class T, class Want>
void check_stream(T& t, const std::vector<std::vector<Value>>& bars, std::size_t first, Want&& want,
                  std::size_t out_index = 0) {
  const std::size_t fork = bars.size() / 2;
  std::unique_ptr<T> copy;
  std::unique_ptr<T> rebuilt;
  std::size_t present = 0;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    if (i == fork) {
      copy = std::make_unique<T>(t);
      rebuilt = std::make_unique<T>(t);
      rebuilt->rebuild_from_window();
    }
    const Value got = t.update(bars[i])[out_index];
    if (copy) {
      ASSERT_TRUE(bits_equal(copy->update(bars[i])[out_index], got)) << "clone, bar " << i;
      ASSERT_TRUE(bits_equal(rebuilt->update(bars[i])[out_index], got)) << "rebuilt, bar " << i;
    }
    const Value expected = i >= first ? want(i) : kMissing;
    present += expected.has_value();
    ASSERT_TRUE(bits_equal(got, expected))
        << "bar " << i << " got " << got.value_or(-999) << " want " << expected.value_or(-999);
  }
  EXPECT_GT(present, (bars.size() - first) / 4) << "too few complete windows to test anything";
}

// Rare enough special values that about two windows in three are complete.
double rarity(std::size_t window) { return std::min(1.0, 6.0 / static_cast<double>(window + 5)); }

std::vector<std::vector<Value>> rows_of(const std::vector<Value>& x) {
  std::vector<std::vector<Value>> rows;
  for (const Value& v : x) rows.push_back({v});
  return rows;
}

class MmaWindows : public ::testing::TestWithParam<std::size_t> {};

TEST_P(MmaWindows, EqualsTheMedianOfEachWindow) {
  const std::size_t w = GetParam();
  const auto x = nasty_series(w + 3000, w, rarity(w));
  auto t = Mma::create({"x"}, w, {"m"}).value();
  check_stream(t, rows_of(x), w - 1, [&](std::size_t i) {
    return reference::median(std::span<const Value>(x.data() + i + 1 - w, w));
  });
}

INSTANTIATE_TEST_SUITE_P(Windows, MmaWindows,
                         ::testing::Values(1, 2, 3, 4, 7, 16, 101, 1000, 3001));

using RankCase = std::tuple<CorrelationMethod, std::size_t, std::size_t>;  // method, window, bars

class RankCorrelations : public ::testing::TestWithParam<RankCase> {};

Value reference(CorrelationMethod m, std::span<const Value> x, std::span<const Value> y) {
  return m == CorrelationMethod::Kendall ? reference::kendall_correlation(x, y)
                                         : reference::spearman_correlation(x, y);
}

TEST_P(RankCorrelations, CorrelationEqualsAFullRecount) {
  const auto [m, w, n] = GetParam();
  const auto x = nasty_series(n, 7 * w, rarity(w));
  const auto y = nasty_series(n, 7 * w + 1, rarity(w));
  std::vector<std::vector<Value>> bars;
  for (std::size_t i = 0; i < n; ++i) bars.push_back({x[i], y[i]});
  auto t = Correlation::create({"x", "y"}, w, {"r"}, m).value();
  check_stream(t, bars, w - 1, [&](std::size_t i) {
    return reference(m, std::span<const Value>(x.data() + i + 1 - w, w),
                     std::span<const Value>(y.data() + i + 1 - w, w));
  });
}

TEST_P(RankCorrelations, AutoCorrelationEqualsAFullRecount) {
  const auto [m, w, n] = GetParam();
  for (const std::size_t lag : {std::size_t{1}, w / 2 + 1, w + 3}) {
    const auto x = nasty_series(n + lag, 11 * w + lag, rarity(w));
    auto t = AutoCorrelation::create({"x"}, w, {"r"}, lag, m).value();
    check_stream(t, rows_of(x), w + lag - 1, [&](std::size_t i) {
      return reference(m, std::span<const Value>(x.data() + i + 1 - w, w),
                       std::span<const Value>(x.data() + i + 1 - w - lag, w));
    });
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, RankCorrelations,
    ::testing::Combine(::testing::Values(CorrelationMethod::Spearman, CorrelationMethod::Kendall),
                       ::testing::Values(2, 3, 8, 49, 300), ::testing::Values(2500)));
INSTANTIATE_TEST_SUITE_P(LargeWindows, RankCorrelations,
                         ::testing::Combine(::testing::Values(CorrelationMethod::Spearman,
                                                              CorrelationMethod::Kendall),
                                            ::testing::Values(2100), ::testing::Values(2250)));

using EntropyCase = std::tuple<std::size_t, std::optional<std::size_t>>;  // window, bins

class EntropyWindows : public ::testing::TestWithParam<EntropyCase> {};

// The reference is a new object fed just the window: it bins every value afresh.
TEST_P(EntropyWindows, EqualsAFreshBinningOfEachWindow) {
  const auto [w, bins] = GetParam();
  // Mostly plain values, so that the edges often stay put between bars.
  auto x = nasty_series(w + 2000, 3 * w, rarity(w));
  for (std::size_t i = 0; i < x.size(); i += 3) x[i] = static_cast<double>(i % 17);
  auto t = ShannonEntropy::create({"x"}, w, {"h"}, bins, true).value();
  check_stream(t, rows_of(x), w - 1, [&](std::size_t i) {
    auto fresh = ShannonEntropy::create({"x"}, w, {"h"}, bins, true).value();
    Value last;
    for (std::size_t j = i + 1 - w; j <= i; ++j) last = fresh.update(std::span(&x[j], 1))[0];
    return last;
  });
}

INSTANTIATE_TEST_SUITE_P(Windows, EntropyWindows,
                         ::testing::Combine(::testing::Values(2, 3, 10, 64, 500, 4500),
                                            ::testing::Values(std::nullopt,
                                                              std::optional<std::size_t>(3),
                                                              std::optional<std::size_t>(7000))));

}  // namespace
}  // namespace zerak
