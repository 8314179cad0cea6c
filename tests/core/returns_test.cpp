#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "features/log_return.hpp"
#include "features/simple_return.hpp"

namespace zerak {
namespace {

using Outputs = std::vector<Value>;

template <class T>
Outputs feed(T& t, const std::vector<Value>& xs) {
  Outputs out;
  for (const Value& x : xs) {
    const Value row[] = {x};
    out.push_back(t.update(row)[0]);
  }
  return out;
}

TEST(Returns, WorkedValues) {
  auto log1 = LogReturn::create({"p"}, 1, {"r"}).value();
  EXPECT_EQ(feed(log1, {100.0, 110.0}), (Outputs{kMissing, std::log(110.0 / 100.0)}));
  auto simple2 = SimpleReturn::create({"p"}, 2, {"r"}).value();
  EXPECT_EQ(feed(simple2, {100.0, 50.0, 120.0}), (Outputs{kMissing, kMissing, 0.2}));
}

TEST(Returns, DomainOfTheEndPoints) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto simple = SimpleReturn::create({"p"}, 1, {"r"}).value();
  auto log = LogReturn::create({"p"}, 1, {"r"}).value();
  // old -> new pairs: new may be zero or negative for the simple return only.
  const std::vector<Value> prices = {100.0, 0.0, 5.0, -50.0, 100.0, -50.0, nan, 1.0};
  EXPECT_EQ(feed(simple, prices),
            (Outputs{kMissing, -1.0, kMissing, -11.0, kMissing, -1.5, kMissing, kMissing}));
  for (const Value& r : feed(log, prices)) EXPECT_FALSE(r.has_value());
}

TEST(Returns, GapBlanksItsBarAndTheBarWindowLater) {
  std::vector<Value> xs(12, 10.0);
  xs[4] = kMissing;
  auto log = LogReturn::create({"p"}, 3, {"r"}).value();
  auto simple = SimpleReturn::create({"p"}, 3, {"r"}).value();
  for (const Outputs& out : {feed(log, xs), feed(simple, xs)}) {
    for (std::size_t i = 3; i < out.size(); ++i) {
      EXPECT_EQ(out[i].has_value(), i != 4 && i != 7) << "bar " << i;
    }
  }
}

TEST(Returns, ChecksWarmUpAndOverflow) {
  EXPECT_EQ(LogReturn::create({}, 0, {}).error().message(), "inputs must not be empty");
  EXPECT_EQ(SimpleReturn::create({"p"}, 0, {}).error().message(), "outputs must not be empty");
  EXPECT_EQ(SimpleReturn::create({"p"}, 0, {"r"}).error().message(), "window must be non-zero");
  EXPECT_EQ(LogReturn::create({"p", "q"}, 5, {"r", "s"}).value().warm_up_period(), 5u);
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  EXPECT_THROW((void)LogReturn::create({"p"}, kMax, {"r"}), std::length_error);
  EXPECT_THROW((void)SimpleReturn::create({"p"}, kMax, {"r"}), std::length_error);
}

TEST(Returns, ResetFreshAndShortRows) {
  auto log = LogReturn::create({"p"}, 2, {"r"}).value();
  const std::vector<Value> xs = {1.0, 2.0, 4.0, kMissing, 3.0, 6.0, 12.0};
  const Outputs first = feed(log, xs);
  auto copy = log.fresh();
  Outputs again;
  for (const Value& x : xs) {
    const Value row[] = {x};
    again.push_back(copy->update(row)[0]);
  }
  EXPECT_EQ(again, first);
  log.reset();
  EXPECT_FALSE(log.update({})[0].has_value());
  EXPECT_EQ(feed(log, xs), first);
}

}  // namespace
}  // namespace zerak
