#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "error.hpp"
#include "operators/add.hpp"
#include "operators/divide.hpp"
#include "operators/log.hpp"
#include "output_row.hpp"
#include "window/ring.hpp"

namespace zerak {
namespace {

TEST(OutputRow, StaysInlineUpToFourThenSpillsKeepingOrder) {
  OutputRow row;
  for (int i = 0; i < 4; ++i) row.push_back(double(i));
  EXPECT_TRUE(row.is_inline());
  row.push_back(kMissing);
  for (int i = 5; i < 12; ++i) row.push_back(double(i));
  EXPECT_FALSE(row.is_inline());
  ASSERT_EQ(row.size(), 12u);
  for (int i = 0; i < 12; ++i) {
    if (i == 4) {
      EXPECT_FALSE(row[i].has_value());
    } else {
      EXPECT_EQ(row[i], double(i));
    }
  }
  std::size_t n = 0;
  for (const Value& v : row) n += v.has_value();
  EXPECT_EQ(n, 11u);
}

TEST(ZerakError, MessagesOfEveryVariant) {
  EXPECT_EQ(ZerakError::invalid_config("features must not be empty").message(),
            "features must not be empty");
  EXPECT_EQ(invalid_input(msg::kWindowZero).message(), "window must be non-zero");
  EXPECT_EQ(ZerakError(ZerakError::MissingInputColumn{{"a", "b"}}).message(),
            R"(missing input column(s): ["a", "b"])");
  EXPECT_EQ(ZerakError(ZerakError::DuplicateOutputKey{"x", 0, 2}).message(),
            "duplicate output key 'x': produced by index 0 and 2");
  EXPECT_EQ(ZerakError(ZerakError::CyclicDependency{}).message(),
            "cyclic dependency detected among features");
}

TEST(RenderList, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(render_list({}), "[]");
  EXPECT_EQ(render_list({"a\"b", "c\\d"}), R"(["a\"b", "c\\d"])");
  EXPECT_EQ(render_list({"l1\nl2\t\r", std::string("z\0", 2), "\x1b", "é"}),
            R"(["l1\nl2\t\r", "z\0", "\u{1b}", "é"])");
}

TEST(Ring, KeepsTheNewestValuesOldestFirst) {
  Ring ring(3);
  for (int i = 1; i <= 5; ++i) ring.push(double(i));
  ASSERT_TRUE(ring.full());
  EXPECT_EQ(ring.oldest(), 3.0);
  EXPECT_EQ(ring.newest(), 5.0);
  std::vector<double> seen;
  ring.for_each([&](const Value& v) { seen.push_back(*v); });
  EXPECT_EQ(seen, (std::vector<double>{3, 4, 5}));
  EXPECT_EQ(ring.first().size() + ring.second().size(), 3u);
  Ring copy = ring;
  ring.clear();
  EXPECT_TRUE(ring.empty());
  EXPECT_EQ(copy[1], 4.0);
}

TEST(Ring, ImpossibleCapacityThrowsAtConstruction) {
  EXPECT_ANY_THROW(Ring(std::numeric_limits<std::size_t>::max() / 2));
}

TEST(Operators, ShortRowsGiveMissingWithoutReadingPastThem) {
  auto add = Add::create({"a", "b"}, {"s"}).value();
  const Value one[] = {1.0};
  EXPECT_FALSE(add.update(std::span(one, 1))[0].has_value());
  auto log = Log::create({"x"}, {"y"}).value();
  EXPECT_FALSE(log.update({})[0].has_value());
}

TEST(Operators, PresentNanIsCarriedAndMissingIsNot) {
  auto divide = Divide::create({"a", "b"}, {"q"}).value();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Value present_nan[] = {1.0, nan};
  const Value r = divide.update(present_nan)[0];
  ASSERT_TRUE(r.has_value());
  EXPECT_TRUE(std::isnan(*r));
  const Value missing[] = {1.0, kMissing};
  EXPECT_FALSE(divide.update(missing)[0].has_value());
}

TEST(Operators, FreshIsAnIndependentCopyOfTheConfiguration) {
  auto add = Add::create({"a", "b"}, {"s", "t"}).value();
  auto copy = add.fresh();
  EXPECT_EQ(copy->input_names(), add.input_names());
  EXPECT_EQ(copy->output_names(), (Names{"s", "t"}));
  EXPECT_EQ(copy->warm_up_period(), 0u);
  const Value ab[] = {1.0, 2.0};
  EXPECT_EQ(copy->update(ab).size(), 1u);
}

}  // namespace
}  // namespace zerak
