// What Python cannot see of the moving averages: summation order inside a
// wrapped ring, NaN ordering in the median, short rows, fresh copies and the
// exceptions of impossible windows. Values and messages are tested from Python.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "features/averages/ema.hpp"
#include "features/averages/kama.hpp"
#include "features/averages/mma.hpp"
#include "features/averages/sma.hpp"
#include "reference/median.hpp"

namespace zerak {
namespace {

using Outputs = std::vector<Value>;
constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

Outputs feed(StreamingTransform& t, const std::vector<Value>& xs) {
  Outputs out;
  for (const Value& x : xs) {
    const Value row[] = {x};
    out.push_back(t.update(row)[0]);
  }
  return out;
}

template <class T>
std::unique_ptr<StreamingTransform> boxed(Result<T> r) {
  return std::make_unique<T>(std::move(r).value());
}

std::vector<std::unique_ptr<StreamingTransform>> all_averages(std::size_t window) {
  std::vector<std::unique_ptr<StreamingTransform>> v;
  v.push_back(boxed(Sma::create({"x", "unused"}, window, {"y"})));
  v.push_back(boxed(Mma::create({"x"}, window, {"y"})));
  v.push_back(boxed(Ema::create({"x"}, window, {"y"})));
  v.push_back(boxed(Kama::create({"x"}, window, {"y"})));
  return v;
}

TEST(Sma, SumsOldestFirstFromZero) {
  // Once the ring wraps, storage order differs from age order; only
  // oldest-first summation cancels the large terms before the 1 is added.
  auto sma = boxed(Sma::create({"x"}, 3, {"y"}));
  EXPECT_EQ(feed(*sma, {5.0, 1e16, 1.0, -1e16}).back(), 0.0);
  auto zeros = boxed(Sma::create({"x"}, 2, {"y"}));
  EXPECT_FALSE(std::signbit(*feed(*zeros, {-0.0, -0.0}).back()));  // 0.0 + -0.0 + -0.0
}

TEST(Median, TotalOrderAndMissing) {
  using reference::median;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  using V = std::vector<Value>;
  EXPECT_FALSE(median(V{}).has_value());
  EXPECT_FALSE(median(V{1.0, kMissing, 2.0}).has_value());
  EXPECT_EQ(median(V{5.0, -1.0, 3.0, 9.0, 0.5}), 3.0);
  EXPECT_EQ(median(V{-inf, 4.0, 2.0, 8.0}), 3.0);
  EXPECT_TRUE(std::signbit(*median(V{0.0, -0.0, -0.0})));
  // A NaN with the sign bit clear sorts after every number, one with it set before.
  EXPECT_EQ(median(V{nan, 1.0, 2.0}), 2.0);
  EXPECT_EQ(median(V{-nan, 1.0, 2.0}), 1.0);
  EXPECT_TRUE(std::isnan(*median(V{nan, 1.0, 2.0, nan})));
}

TEST(MovingAverages, ShortRowsChangeNothing) {
  for (auto& t : all_averages(2)) {
    EXPECT_EQ(t->values_read(), 1u);
    auto reference = t->fresh();
    const Value one[] = {1.0};
    (void)t->update(one);
    EXPECT_FALSE(t->update({})[0].has_value());
    (void)reference->update(one);
    EXPECT_EQ(feed(*t, {3.0, 4.0}), feed(*reference, {3.0, 4.0}));
  }
}

TEST(MovingAverages, FreshIsANewObjectAndLeavesTheOriginal) {
  std::vector<Value> xs;
  for (int i = 0; i < 30; ++i) xs.push_back(i % 7 == 3 ? kMissing : Value(std::cos(i) + 2.0));
  for (auto& t : all_averages(3)) {
    const Outputs first = feed(*t, xs);
    auto copy = t->fresh();
    EXPECT_EQ(copy->output_names(), t->output_names());
    EXPECT_EQ(feed(*copy, xs), first);
    const Outputs continued = feed(*t, {1.0, 2.0});
    t->reset();
    feed(*t, xs);
    EXPECT_EQ(feed(*t, {1.0, 2.0}), continued);
  }
}

TEST(MovingAverages, ImpossibleWindowsThrowAtConstruction) {
  // window + 1 would wrap to an empty ring; it fails like any oversized one.
  EXPECT_THROW((void)Kama::create({"x"}, kMax, {"y"}), std::length_error);
  EXPECT_THROW((void)Sma::create({"x"}, kMax, {"y"}), std::length_error);
  EXPECT_THROW((void)Mma::create({"x"}, kMax / 2, {"y"}), std::length_error);
  EXPECT_THROW((void)Ema::create({"x"}, kMax / 2, {"y"}), std::length_error);
  // The documented checks still come first.
  EXPECT_EQ(Kama::create({"x"}, kMax, {"y"}, 0, 1).error().message(), "fast must be >= 1");
}

}  // namespace
}  // namespace zerak
