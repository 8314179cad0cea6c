#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <vector>

#include "pipeline/target_pipeline.hpp"
#include "targets/future_ctc_volatility.hpp"
#include "targets/future_linear_slope.hpp"
#include "targets/future_return.hpp"

namespace zerak {
namespace {

using Series = std::vector<Value>;
using Targets = std::vector<std::unique_ptr<Target>>;

template <class T>
std::unique_ptr<Target> own(Result<T> made) {
  return std::make_unique<T>(std::move(made).value());
}

std::unique_ptr<Target> ret(Names in, std::size_t h, Names out) {
  return own(FutureReturn::create(std::move(in), h, std::move(out)));
}
std::unique_ptr<Target> vol(Names in, std::size_t h, Names out) {
  return own(FutureCTCVolatility::create(std::move(in), h, std::move(out)));
}
std::unique_ptr<Target> fit(Names in, std::size_t h, Names out) {
  return own(FutureLinearSlope::create(std::move(in), h, std::move(out)));
}

template <class... P>
Targets targets(P... p) {
  Targets out;
  (out.push_back(std::move(p)), ...);
  return out;
}

Result<TargetPipeline::Columns> run(const TargetPipeline& p, const std::vector<Series>& data) {
  std::vector<std::span<const Value>> spans(data.begin(), data.end());
  return p.run_research(spans);
}

bool same(const Series& a, const Series& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].has_value() != b[i].has_value()) return false;
    if (a[i] && !(*a[i] == *b[i])) return false;
  }
  return true;
}

std::string error_of(Result<TargetPipeline> made) {
  return made ? std::string("ok") : made.error().message();
}

TEST(TargetPipeline, ConstructionChecksInOrder) {
  EXPECT_EQ(error_of(TargetPipeline::create({}, {"c", "c"})), "targets must not be empty");
  EXPECT_EQ(error_of(TargetPipeline::create(targets(ret({"zz"}, 1, {"r"}), ret({"c"}, 1, {"r"})),
                                            {"a", "b", "a", "b"})),
            R"(duplicate input column: "a")");
  // Duplicate outputs are found before missing columns.
  auto dup = TargetPipeline::create(
      targets(ret({"zz"}, 1, {"y"}), ret({"c"}, 1, {"q"}), vol({"c"}, 2, {"y"})), {"c"});
  ASSERT_FALSE(dup);
  EXPECT_TRUE(dup.error().is<ZerakError::DuplicateOutputKey>());
  EXPECT_EQ(dup.error().message(), "duplicate output key 'y': produced by index 0 and 2");
  EXPECT_EQ(error_of(TargetPipeline::create(targets(ret({"c"}, 1, {"y", "y"})), {"c"})),
            "duplicate output key 'y': produced by index 0 and 0");
  auto missing = TargetPipeline::create(
      targets(fit({"x", "c"}, 2, {"s", "r"}), fit({"c", "x"}, 2, {"s2", "r2"}),
              ret({"v", "x"}, 1, {"q"})),
      {"c"});
  ASSERT_FALSE(missing);
  EXPECT_TRUE(missing.error().is<ZerakError::MissingInputColumn>());
  EXPECT_EQ(missing.error().message(), R"(missing input column(s): ["x", "v"])");
}

TEST(TargetPipeline, QueriesAndOutputOrderFollowTheTargetList) {
  auto p = TargetPipeline::create(targets(vol({"c"}, 5, {"v"}), fit({"t", "c"}, 20, {"s", "r2"}),
                                          ret({"c"}, 3, {"r"})),
                                  {"unused", "c", "t"})
               .value();
  EXPECT_EQ(p.size(), 3u);
  EXPECT_EQ(p.forward_period(), 20u);
  EXPECT_EQ(p.input_names(), (Names{"unused", "c", "t"}));
  EXPECT_EQ(p.output_names(), (Names{"v", "s", "r2", "r"}));
}

TEST(TargetPipeline, RoutesColumnsByNameAndMatchesTargetsRunAlone) {
  const Series c{100.0, 101.0, 99.0, kMissing, 103.0, 104.0, -1.0, 106.0, 107.0, 105.0};
  const Series t{0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0};
  auto p = TargetPipeline::create(targets(ret({"c"}, 2, {"r"}), fit({"t", "c"}, 3, {"s", "r2"}),
                                          vol({"c"}, 2, {"v"}), ret({"t"}, 1, {"rt"})),
                                  {"t", "x", "c"})
               .value();
  auto got = run(p, {t, Series{1.0}, c});
  ASSERT_TRUE(got);
  const auto& cols = got.value();
  ASSERT_EQ(cols.size(), 5u);

  const std::span<const Value> cs[] = {c};
  const std::span<const Value> tc[] = {t, c};
  const std::span<const Value> ts[] = {t};
  EXPECT_TRUE(same(cols[0], FutureReturn::create({"c"}, 2, {"r"}).value().run_research(cs)[0]));
  const auto slope = FutureLinearSlope::create({"t", "c"}, 3, {"s", "r2"}).value().run_research(tc);
  EXPECT_TRUE(same(cols[1], slope[0]));
  EXPECT_TRUE(same(cols[2], slope[1]));
  EXPECT_TRUE(same(cols[3], FutureCTCVolatility::create({"c"}, 2, {"v"}).value().run_research(cs)[0]));
  EXPECT_TRUE(same(cols[4], FutureReturn::create({"t"}, 1, {"rt"}).value().run_research(ts)[0]));

  // Repeatable: nothing is kept between calls.
  auto again = run(p, {t, Series{}, c});
  ASSERT_TRUE(again);
  for (std::size_t k = 0; k < cols.size(); ++k) EXPECT_TRUE(same(again.value()[k], cols[k]));
}

TEST(TargetPipeline, ExtraOutputNamesGetMissingColumnsOfTheSameLength) {
  auto p = TargetPipeline::create(targets(ret({"c"}, 1, {"a", "b", "c"}), vol({"c"}, 2, {"v", "w"})),
                                  {"c"})
               .value();
  ASSERT_EQ(p.output_names().size(), 5u);
  auto got = run(p, {{1.0, 2.0, 4.0, 8.0}});
  ASSERT_TRUE(got);
  const auto& cols = got.value();
  ASSERT_EQ(cols.size(), 5u);
  EXPECT_TRUE(same(cols[0], {1.0, 1.0, 1.0, kMissing}));
  EXPECT_TRUE(same(cols[1], Series(4, kMissing)));
  EXPECT_TRUE(same(cols[2], Series(4, kMissing)));
  EXPECT_TRUE(same(cols[3], {0.0, 0.0, kMissing, kMissing}));
  EXPECT_TRUE(same(cols[4], Series(4, kMissing)));
}

TEST(TargetPipeline, UnequalLengthsFollowEachTargetsFirstColumn) {
  auto p = TargetPipeline::create(targets(fit({"x", "y"}, 2, {"s", "r2"}), fit({"y", "x"}, 2, {"s2", "q"}),
                                          ret({"y"}, 1, {"r", "extra"})),
                                  {"x", "y"})
               .value();
  auto got = run(p, {{0.0, 1.0, 2.0, 3.0, 4.0}, {0.0, 2.0, 4.0}});
  ASSERT_TRUE(got);
  const auto& cols = got.value();
  EXPECT_TRUE(same(cols[0], {2.0, 2.0, kMissing, kMissing, kMissing}));
  EXPECT_TRUE(same(cols[2], {0.5, 0.5, kMissing}));
  EXPECT_TRUE(same(cols[4], {kMissing, 1.0, kMissing}));
  EXPECT_EQ(cols[5].size(), 3u);
}

TEST(TargetPipeline, WrongColumnCountIsInvalidInput) {
  auto p = TargetPipeline::create(targets(ret({"c"}, 1, {"r"})), {"c", "v"}).value();
  for (std::size_t m : {0u, 1u, 3u}) {
    auto got = run(p, std::vector<Series>(m));
    ASSERT_FALSE(got);
    EXPECT_TRUE(got.error().is<ZerakError::InvalidInput>());
    EXPECT_EQ(got.error().message(),
              "expected 2 input column(s) [\"c\", \"v\"], got " + std::to_string(m));
  }
  auto empty = run(p, {{}, {}});
  ASSERT_TRUE(empty);
  ASSERT_EQ(empty.value().size(), 1u);
  EXPECT_TRUE(empty.value()[0].empty());
}

}  // namespace
}  // namespace zerak
