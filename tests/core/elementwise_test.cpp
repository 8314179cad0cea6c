// Block kernels that carry state across block edges (the lags' ring, the
// exponentially weighted spread's seeding) against update bar by bar, with
// block edges placed where they matter: at, just before and just after the
// lag or the seed length. Research in Python cannot choose its block edges.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "features/returns/diff.hpp"
#include "features/averages/ewm_std.hpp"
#include "features/averages/ewm_variance.hpp"
#include "features/returns/lag.hpp"
#include "nasty_series.hpp"

namespace zerak {
namespace {

template <class T>
std::unique_ptr<StreamingTransform> boxed(Result<T> r) {
  EXPECT_TRUE(r.ok());
  return std::make_unique<T>(std::move(r).value());
}

// Block sizes around `n` (and some long ones) in a seeded random order.
std::vector<std::size_t> block_sizes(std::size_t n, std::size_t total, std::uint64_t seed) {
  const std::size_t near[] = {1, 2, n > 1 ? n - 1 : 1, n, n + 1, 2 * n + 1, 257};
  std::mt19937_64 gen(seed);
  std::vector<std::size_t> sizes;
  for (std::size_t done = 0; done < total;) {
    const std::size_t s = std::min(near[gen() % std::size(near)], total - done);
    sizes.push_back(s);
    done += s;
  }
  return sizes;
}

void expect_blocks_equal_live(const StreamingTransform& made, std::size_t n, std::uint64_t seed) {
  const std::vector<Value> xs = testing::nasty_series(4000, seed, 0.3);
  auto live = made.fresh();
  auto research = made.fresh();
  std::vector<Value> got(xs.size());
  std::size_t at = 0;
  for (const std::size_t s : block_sizes(n, xs.size(), seed)) {
    const Value* in[] = {xs.data() + at};
    Value* out[] = {got.data() + at};
    research->update_block(in, out, s);
    at += s;
  }
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const Value want = live->update(std::span(&xs[i], 1))[0];
    ASSERT_TRUE(testing::bits_equal(got[i], want)) << "bar " << i << " of n = " << n;
  }
}

class ElementwiseBlocks : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ElementwiseBlocks, LagAndDiffBlocksEqualLive) {
  const std::size_t p = GetParam();
  expect_blocks_equal_live(*boxed(Lag::create({"x"}, p, {"y"})), p, 11 + p);
  expect_blocks_equal_live(*boxed(Diff::create({"x"}, p, {"y"})), p, 23 + p);
}

TEST_P(ElementwiseBlocks, EwmSpreadBlocksEqualLive) {
  const std::size_t w = GetParam() + 1;  // window >= 2
  expect_blocks_equal_live(*boxed(EwmVariance::create({"x"}, w, {"y"})), w, 37 + w);
  expect_blocks_equal_live(*boxed(EwmStd::create({"x"}, w, {"y"})), w, 41 + w);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ElementwiseBlocks, ::testing::Values(1, 2, 5, 64));

}  // namespace
}  // namespace zerak
