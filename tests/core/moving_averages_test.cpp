#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "features/ema.hpp"
#include "features/kama.hpp"
#include "features/mma.hpp"
#include "features/sma.hpp"
#include "ops/stats.hpp"

namespace zerak {
namespace {

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

std::vector<Value> feed(StreamingTransform& t, const std::vector<Value>& xs) {
  std::vector<Value> out;
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

using Outputs = std::vector<Value>;

TEST(MovingAverages, WorkedValues) {
  auto sma = boxed(Sma::create({"x"}, 3, {"y"}));
  EXPECT_EQ(feed(*sma, {1.0, 2.0, 3.0}), (Outputs{kMissing, kMissing, 2.0}));

  auto mma = boxed(Mma::create({"x"}, 3, {"y"}));
  EXPECT_EQ(feed(*mma, {3.0, 1.0, 2.0}), (Outputs{kMissing, kMissing, 2.0}));
  auto mma4 = boxed(Mma::create({"x"}, 4, {"y"}));
  EXPECT_EQ(feed(*mma4, {1.0, 2.0, 3.0, 4.0}).back(), 2.5);

  auto ema = boxed(Ema::create({"x"}, 3, {"y"}));
  EXPECT_EQ(feed(*ema, {1.0, 2.0, 3.0, 4.0}), (Outputs{kMissing, kMissing, 2.0, 3.0}));

  // Window 2 over 1, 2, 4, 3: first value on the third bar from the previous price.
  auto kama = boxed(Kama::create({"x"}, 2, {"y"}));
  const Outputs k = feed(*kama, {1.0, 2.0, 4.0, 3.0});
  EXPECT_FALSE(k[0] || k[1]);
  EXPECT_DOUBLE_EQ(*k[2], 2.8888888888888884);
  EXPECT_DOUBLE_EQ(*k[3], 2.8967053923310906);
}

TEST(MovingAverages, WindowOneReturnsEachInput) {
  for (auto& t : {boxed(Sma::create({"x"}, 1, {"y"})), boxed(Mma::create({"x"}, 1, {"y"})),
                  boxed(Ema::create({"x"}, 1, {"y"}))}) {
    EXPECT_EQ(t->warm_up_period(), 0u);
    EXPECT_EQ(feed(*t, {5.0, -2.5, kMissing, 7.0}), (Outputs{5.0, -2.5, kMissing, 7.0}));
  }
}

TEST(MovingAverages, KamaOnConstantPricesIsThePrice) {
  auto kama = boxed(Kama::create({"x"}, 2, {"y"}));
  EXPECT_EQ(feed(*kama, {4.0, 4.0, 4.0, 4.0}), (Outputs{kMissing, kMissing, 4.0, 4.0}));
}

TEST(MovingAverages, SmaSumsOldestFirstFromZero) {
  // After wrapping, storage order differs from age order; only oldest-first
  // summation cancels the large terms before the small one is lost.
  auto sma = boxed(Sma::create({"x"}, 3, {"y"}));
  EXPECT_EQ(feed(*sma, {5.0, 1e16, 1.0, -1e16}).back(), 0.0);
  // Starting from +0.0 turns an all negative-zero window into +0.0.
  auto zeros = boxed(Sma::create({"x"}, 2, {"y"}));
  const Value z = feed(*zeros, {-0.0, -0.0}).back();
  EXPECT_FALSE(std::signbit(*z));
}

TEST(MovingAverages, EmaReseedsAfterAGap) {
  auto ema = boxed(Ema::create({"x"}, 2, {"y"}));
  const Outputs out = feed(*ema, {1.0, 3.0, kMissing, 5.0, 7.0, 9.0});
  // Seeded at 2.0, gap, then blank for window - 1 more bars, reseeded at (5 + 7) / 2.
  const double a = 2.0 / 3.0;
  EXPECT_EQ(out, (Outputs{kMissing, 2.0, kMissing, kMissing, 6.0, (1.0 - a) * 6.0 + a * 9.0}));
}

TEST(MovingAverages, KamaRestartsFromThePreviousPriceAfterAGap) {
  auto kama = boxed(Kama::create({"x"}, 2, {"y"}));
  auto fresh = boxed(Kama::create({"x"}, 2, {"y"}));
  const Outputs out = feed(*kama, {1.0, 2.0, 4.0, kMissing, 1.0, 2.0, 4.0, 3.0});
  EXPECT_EQ(Outputs(out.begin() + 3, out.begin() + 6), (Outputs{kMissing, kMissing, kMissing}));
  const Outputs restarted = feed(*fresh, {1.0, 2.0, 4.0, 3.0});
  EXPECT_EQ(Outputs(out.begin() + 6, out.end()), Outputs(restarted.begin() + 2, restarted.end()));
}

// One missing input blanks exactly this many bars, starting with its own.
struct GapCase {
  std::string name;
  std::function<std::unique_ptr<StreamingTransform>()> make;
  std::size_t blanked;
};

class MissingInput : public testing::TestWithParam<GapCase> {};

TEST_P(MissingInput, BlanksExactlyTheDocumentedBars) {
  auto t = GetParam().make();
  std::vector<Value> xs;
  for (int i = 0; i < 40; ++i) xs.push_back(100.0 + std::sin(i) * 5.0);
  xs[20] = kMissing;
  const Outputs out = feed(*t, xs);
  for (std::size_t i = t->warm_up_period(); i < out.size(); ++i) {
    const bool blank = i >= 20 && i < 20 + GetParam().blanked;
    EXPECT_EQ(out[i].has_value(), !blank) << "bar " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Averages, MissingInput,
    testing::Values(GapCase{"Sma", [] { return boxed(Sma::create({"x"}, 5, {"y"})); }, 5},
                    GapCase{"Mma", [] { return boxed(Mma::create({"x"}, 5, {"y"})); }, 5},
                    GapCase{"Ema", [] { return boxed(Ema::create({"x"}, 5, {"y"})); }, 5},
                    GapCase{"Kama", [] { return boxed(Kama::create({"x"}, 5, {"y"})); }, 6}),
    [](const auto& info) { return info.param.name; });

TEST(MovingAverages, ConstructorChecksInOrder) {
  auto message = [](const auto& r) { return r.error().message(); };
  EXPECT_EQ(message(Sma::create({}, 0, {})), "inputs must not be empty");
  EXPECT_EQ(message(Mma::create({"x"}, 0, {})), "outputs must not be empty");
  EXPECT_EQ(message(Ema::create({"x"}, 0, {"y"})), "window must be non-zero");
  EXPECT_EQ(message(Kama::create({}, 0, {}, 0, 0)), "inputs must not be empty");
  EXPECT_EQ(message(Kama::create({"x"}, 0, {"y"}, 0, 0)), "window must be >= 1");
  EXPECT_EQ(message(Kama::create({"x"}, 1, {"y"}, 0, 0)), "fast must be >= 1");
  EXPECT_EQ(message(Kama::create({"x"}, 1, {"y"}, 2, 2)), "slow must be > fast");
  EXPECT_TRUE(Kama::create({"x"}, 1, {"y"}, 2, 3).ok());
  EXPECT_TRUE(Sma::create({"x"}, 0, {"y"}).error().is<ZerakError::InvalidInput>());
}

TEST(MovingAverages, WarmUpPeriods) {
  EXPECT_EQ(Sma::create({"x"}, 10, {"y"}).value().warm_up_period(), 9u);
  EXPECT_EQ(Mma::create({"x"}, 10, {"y"}).value().warm_up_period(), 9u);
  EXPECT_EQ(Ema::create({"x"}, 10, {"y"}).value().warm_up_period(), 9u);
  EXPECT_EQ(Kama::create({"x"}, 10, {"y"}).value().warm_up_period(), 10u);
}

TEST(MovingAverages, ImpossibleWindowsThrowAtConstruction) {
  // window + 1 would wrap to an empty ring; it must fail like any oversized one.
  EXPECT_THROW((void)Kama::create({"x"}, kMax, {"y"}), std::length_error);
  for (std::size_t w : {kMax, kMax / 2}) {
    EXPECT_ANY_THROW((void)Sma::create({"x"}, w, {"y"}));
    EXPECT_ANY_THROW((void)Mma::create({"x"}, w, {"y"}));
    EXPECT_ANY_THROW((void)Ema::create({"x"}, w, {"y"}));
  }
  // Checks still come first.
  EXPECT_EQ(Kama::create({"x"}, kMax, {"y"}, 0, 1).error().message(), "fast must be >= 1");
}

TEST(MovingAverages, ResetAndFreshReplayTheSameRows) {
  std::vector<Value> xs;
  for (int i = 0; i < 30; ++i) xs.push_back(i % 7 == 3 ? kMissing : Value(std::cos(i) + 2.0));
  for (auto& t : {boxed(Sma::create({"x"}, 4, {"y"})), boxed(Mma::create({"x"}, 4, {"y"})),
                  boxed(Ema::create({"x"}, 3, {"y"})), boxed(Kama::create({"x"}, 3, {"y"}))}) {
    const Outputs first = feed(*t, xs);
    auto copy = t->fresh();
    EXPECT_EQ(feed(*copy, xs), first);
    t->reset();
    EXPECT_EQ(feed(*t, xs), first);
  }
}

TEST(MovingAverages, ShortRowsChangeNothing) {
  for (auto& t : {boxed(Sma::create({"x", "z"}, 2, {"y"})), boxed(Mma::create({"x"}, 2, {"y"})),
                  boxed(Ema::create({"x"}, 2, {"y"})), boxed(Kama::create({"x"}, 1, {"y"}))}) {
    EXPECT_EQ(t->values_read(), 1u);
    auto reference = t->fresh();
    const Value one[] = {1.0};
    const Value three[] = {3.0};
    (void)t->update(one);
    EXPECT_FALSE(t->update({})[0].has_value());
    (void)reference->update(one);
    EXPECT_EQ(t->update(three)[0], reference->update(three)[0]);
    EXPECT_TRUE(reference->update(three)[0].has_value());
  }
}

TEST(Median, TotalOrderAndMissing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(median(std::vector<Value>{}).has_value());
  EXPECT_FALSE(median(std::vector<Value>{1.0, kMissing, 2.0}).has_value());
  EXPECT_EQ(median(std::vector<Value>{5.0, -1.0, 3.0, 9.0, 0.5}), 3.0);
  // -0 sorts before +0.
  EXPECT_TRUE(std::signbit(*median(std::vector<Value>{0.0, -0.0, -0.0})));
  EXPECT_FALSE(std::signbit(*median(std::vector<Value>{-0.0, 0.0, 0.0})));
  // A positive NaN sorts after every number, a negative one before.
  EXPECT_EQ(median(std::vector<Value>{nan, 1.0, 2.0}), 2.0);
  EXPECT_EQ(median(std::vector<Value>{-nan, 1.0, 2.0}), 1.0);
  EXPECT_TRUE(std::isnan(*median(std::vector<Value>{nan, 1.0, 2.0, nan})));
  EXPECT_EQ(median(std::vector<Value>{-std::numeric_limits<double>::infinity(), 4.0, 2.0, 8.0}),
            3.0);
}

}  // namespace
}  // namespace zerak
