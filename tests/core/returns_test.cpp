// Returns from the core side: present NaN prices, short rows, fresh copies and
// the wrap-around of window + 1. Values are tested from Python.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "features/returns/log_return.hpp"
#include "features/returns/simple_return.hpp"

namespace zerak {
namespace {

template <class T>
std::vector<Value> feed(T& t, const std::vector<Value>& xs) {
  std::vector<Value> out;
  for (const Value& x : xs) {
    const Value row[] = {x};
    out.push_back(t.update(row)[0]);
  }
  return out;
}

TEST(Returns, PresentNanEndPoints) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Only the positivity tests see a NaN: both of them for the log return, the
  // old price's alone for the simple return, whose new price may be anything.
  auto log = LogReturn::create({"p"}, 1, {"r"}).value();
  for (const Value& v : feed(log, {nan, 2.0, nan})) EXPECT_FALSE(v.has_value());
  auto simple = SimpleReturn::create({"p"}, 1, {"r"}).value();
  const auto out = feed(simple, {nan, 2.0, nan});
  EXPECT_FALSE(out[1].has_value());
  EXPECT_TRUE(out[2].has_value() && std::isnan(*out[2]));
}

TEST(Returns, ShortRowsFreshAndOverflow) {
  auto log = LogReturn::create({"p", "unused"}, 2, {"r"}).value();
  EXPECT_EQ(log.values_read(), 1u);
  const std::vector<Value> xs = {1.0, 2.0, 4.0, kMissing, 3.0, 6.0, 12.0};
  const auto first = feed(log, xs);
  EXPECT_FALSE(log.update({})[0].has_value());
  auto copy = log.fresh();
  std::vector<Value> again;
  for (const Value& x : xs) {
    const Value row[] = {x};
    again.push_back(copy->update(row)[0]);
  }
  EXPECT_EQ(again, first);
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  EXPECT_THROW((void)LogReturn::create({"p"}, kMax, {"r"}), std::length_error);
  EXPECT_THROW((void)SimpleReturn::create({"p"}, kMax, {"r"}), std::length_error);
}

}  // namespace
}  // namespace zerak
