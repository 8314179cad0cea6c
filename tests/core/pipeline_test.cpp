#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "operators/add.hpp"
#include "operators/log.hpp"
#include "operators/multiply.hpp"
#include "operators/neg_log.hpp"
#include "operators/reciprocal.hpp"
#include "operators/subtract.hpp"
#include "pipeline/dag.hpp"
#include "pipeline/feature_pipeline.hpp"

namespace zerak {
namespace {

using Handle = std::unique_ptr<StreamingTransform>;
using Bars = std::vector<std::vector<Value>>;

// Stateful test transform: returns the previous value of its first input
// (missing on the first bar) and, when configured to, the bar count as a
// second value.
class Lag final : public TransformBase<Lag> {
 public:
  Lag(Names inputs, Names outputs, std::size_t returned = 1, std::size_t warm_up = 1)
      : TransformBase(std::move(inputs), std::move(outputs)),
        returned_(returned),
        warm_up_(warm_up) {}

  std::size_t warm_up_period() const override { return warm_up_; }
  std::size_t values_returned() const noexcept override { return returned_; }
  void reset() override {
    prev_ = kMissing;
    bars_ = 0;
  }
  OutputRow update(std::span<const Value> values) override {
    OutputRow row{prev_};
    if (returned_ > 1) row.push_back(double(++bars_));
    prev_ = values.empty() ? kMissing : values[0];
    return row;
  }

 private:
  std::size_t returned_;
  std::size_t warm_up_;
  Value prev_;
  std::size_t bars_ = 0;
};

template <class Op>
Handle op(Names inputs, Names outputs) {
  return std::make_unique<Op>(Op::create(std::move(inputs), std::move(outputs)).value());
}

Handle lag(Names inputs, Names outputs, std::size_t returned = 1, std::size_t warm_up = 1) {
  return std::make_unique<Lag>(std::move(inputs), std::move(outputs), returned, warm_up);
}

template <class... H>
std::vector<Handle> list(H... handles) {
  std::vector<Handle> v;
  (v.push_back(std::move(handles)), ...);
  return v;
}

// Each level as the first output names of its members.
std::vector<Names> level_names(const FeatureDag& dag) {
  std::vector<Names> out;
  for (const auto& level : dag.levels()) {
    Names& names = out.emplace_back();
    for (const auto& t : level) names.push_back(t->outputs().front());
  }
  return out;
}

FeaturePipeline make_pipeline(std::vector<Handle> features, Names columns) {
  auto p = FeaturePipeline::create(std::move(features), std::move(columns));
  if (!p) ADD_FAILURE() << p.error().message();
  return std::move(p).value();
}

std::vector<Value> step(FeaturePipeline& p, std::vector<Value> bar) {
  auto out = p.update(bar);
  if (!out) {
    ADD_FAILURE() << out.error().message();
    return {};
  }
  return {out.value().begin(), out.value().end()};
}

// ---- FeatureDag ------------------------------------------------------------

TEST(FeatureDag, WorkedExampleLevelsOutputsAndExternals) {
  auto dag = FeatureDag::create(list(op<Log>({"c"}, {"a"}), op<Log>({"a"}, {"b"}),
                                     op<Log>({"c"}, {"d"}), op<Add>({"b", "d"}, {"e"})))
                 .value();
  EXPECT_EQ(level_names(dag), (std::vector<Names>{{"a", "d"}, {"b"}, {"e"}}));
  EXPECT_EQ(dag.output_names(), (Names{"a", "d", "b", "e"}));
  EXPECT_EQ(dag.external_inputs(), (Names{"c"}));
  EXPECT_EQ(dag.size(), 4u);
}

TEST(FeatureDag, LaterLevelKeepsTheOrderItsMembersWereFreed) {
  auto dag = FeatureDag::create(list(op<Log>({"x"}, {"p"}), op<Log>({"x"}, {"q"}),
                                     op<Log>({"q"}, {"r"}), op<Log>({"p"}, {"s"})))
                 .value();
  EXPECT_EQ(level_names(dag), (std::vector<Names>{{"p", "q"}, {"s", "r"}}));
}

TEST(FeatureDag, LevelIsOneMoreThanTheDeepestProducerRead) {
  // e reads a (level 0) and c (level 2): it lands in level 3, freed last.
  auto dag = FeatureDag::create(list(op<Add>({"a", "c"}, {"e"}), op<Log>({"x"}, {"a"}),
                                     op<Log>({"b"}, {"c"}), op<Log>({"a"}, {"b"}),
                                     op<Log>({"y"}, {"f"})))
                 .value();
  EXPECT_EQ(level_names(dag), (std::vector<Names>{{"a", "f"}, {"b"}, {"c"}, {"e"}}));
  EXPECT_EQ(dag.external_inputs(), (Names{"x", "y"}));
}

TEST(FeatureDag, RepeatedReadsOfOneProducerCountAsSeparateEdges) {
  auto dag = FeatureDag::create(list(op<Add>({"a", "a"}, {"d"}), op<Log>({"x"}, {"a"})))
                 .value();
  EXPECT_EQ(level_names(dag), (std::vector<Names>{{"a"}, {"d"}}));
}

TEST(FeatureDag, IndependentTransformsStayInGivenOrder) {
  auto dag = FeatureDag::create(list(op<Log>({"x"}, {"c"}), op<Log>({"x"}, {"a"}),
                                     op<Log>({"x"}, {"b"})))
                 .value();
  EXPECT_EQ(level_names(dag), (std::vector<Names>{{"c", "a", "b"}}));
}

TEST(FeatureDag, DuplicateOutputsReportFirstClashBeforeCycles) {
  auto across = FeatureDag::create(list(op<Log>({"y"}, {"w"}), op<Log>({"y"}, {"x"}),
                                        op<Log>({"x"}, {"y"}), op<Log>({"w"}, {"z", "x"})));
  ASSERT_FALSE(across);
  EXPECT_EQ(across.error().message(), "duplicate output key 'x': produced by index 1 and 3");

  auto within = FeatureDag::create(list(op<Log>({"a"}, {"b"}), op<Log>({"a"}, {"c"}),
                                        op<Log>({"a"}, {"x", "x"})));
  ASSERT_FALSE(within);
  const auto& dup = std::get<ZerakError::DuplicateOutputKey>(within.error().variant());
  EXPECT_EQ(dup.key, "x");
  EXPECT_EQ(dup.idx_a, 2u);
  EXPECT_EQ(dup.idx_b, 2u);
}

TEST(FeatureDag, CyclesFailEvenBesideIndependentTransforms) {
  const auto cyclic = [](std::vector<Handle> features) {
    auto dag = FeatureDag::create(std::move(features));
    return !dag && dag.error().is<ZerakError::CyclicDependency>();
  };
  EXPECT_TRUE(cyclic(list(op<Log>({"b"}, {"a"}), op<Log>({"a"}, {"b"}))));
  EXPECT_TRUE(cyclic(list(op<Log>({"c"}, {"a"}), op<Log>({"a"}, {"b"}), op<Log>({"b"}, {"c"}))));
  EXPECT_TRUE(cyclic(list(op<Log>({"x"}, {"i"}), op<Log>({"b"}, {"a"}),
                          op<Log>({"a"}, {"b"}))));
  // downstream of a cycle never becomes free either
  EXPECT_TRUE(cyclic(list(op<Log>({"b"}, {"a"}), op<Add>({"a", "x"}, {"b"}),
                          op<Log>({"b"}, {"d"}), op<Log>({"x"}, {"e"}))));
}

TEST(FeatureDag, SelfReadIsNeitherAnEdgeNorExternal) {
  auto dag = FeatureDag::create(list(op<Add>({"s", "x"}, {"s"}), op<Log>({"s"}, {"t"}))).value();
  EXPECT_EQ(level_names(dag), (std::vector<Names>{{"s"}, {"t"}}));
  EXPECT_EQ(dag.external_inputs(), (Names{"x"}));
}

TEST(FeatureDag, ExternalsListedOnceInFirstReaderOrder) {
  auto dag = FeatureDag::create(list(op<Log>({"m"}, {"a"}), op<Add>({"z", "y"}, {"b"}),
                                     op<Add>({"y", "m"}, {"c"}), op<Add>({"a", "w"}, {"d"})))
                 .value();
  EXPECT_EQ(dag.external_inputs(), (Names{"m", "z", "y", "w"}));
}

TEST(FeatureDag, EmptyListIsAnEmptyPlan) {
  auto dag = FeatureDag::create({}).value();
  EXPECT_TRUE(dag.levels().empty());
  EXPECT_TRUE(dag.output_names().empty());
}

// ---- FeaturePipeline: construction -----------------------------------------

struct BuildCase {
  const char* label;
  std::vector<Handle> (*features)();
  Names columns;
  const char* message;
};

class PipelineBuildError : public ::testing::TestWithParam<BuildCase> {};

TEST_P(PipelineBuildError, FirstFailingCheckDecides) {
  const BuildCase& c = GetParam();
  auto p = FeaturePipeline::create(c.features(), c.columns);
  ASSERT_FALSE(p);
  EXPECT_EQ(p.error().message(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, PipelineBuildError,
    ::testing::Values(
        BuildCase{"empty", [] { return std::vector<Handle>{}; }, {"a"},
                  "features must not be empty"},
        // the repeated column is reported before the duplicate output
        BuildCase{"columns",
                  [] { return list(op<Log>({"a"}, {"x"}), op<Log>({"b"}, {"x"})); },
                  {"a", "b", "a"}, "duplicate input column: \"a\""},
        BuildCase{"outputs",
                  [] { return list(op<Log>({"q"}, {"x"}), op<Log>({"r"}, {"x"})); },
                  {"a"}, "duplicate output key 'x': produced by index 0 and 1"},
        BuildCase{"cycle",
                  [] { return list(op<Log>({"y"}, {"x"}), op<Log>({"x"}, {"y"})); },
                  {"x", "y"}, "cyclic dependency detected among features"},
        BuildCase{"missing",
                  [] {
                    return list(op<Add>({"close", "vol"}, {"x"}), op<Log>({"open"}, {"y"}),
                                op<Add>({"vol", "x"}, {"z"}));
                  },
                  {"open"}, R"(missing input column(s): ["close", "vol"])"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FeaturePipeline, UnreadColumnsAndNoColumnsAreAccepted) {
  auto p = make_pipeline(list(op<Log>({"a"}, {"x"})), {"unused", "a"});
  EXPECT_EQ(step(p, {5.0, std::exp(1.0)}), (std::vector<Value>{1.0}));
  // a self-reading transform needs no column at all
  auto q = make_pipeline(list(lag({"s"}, {"s"})), {});
  EXPECT_EQ(step(q, {}), (std::vector<Value>{kMissing}));
}

// ---- FeaturePipeline: routing ------------------------------------------------

TEST(FeaturePipeline, ChainRoutesThroughEarlierOutputsOnTheSameBar) {
  auto p = make_pipeline(list(op<Log>({"close"}, {"r"}), op<Reciprocal>({"r"}, {"s"})),
                         {"close"});
  EXPECT_EQ(p.output_names(), (Names{"r", "s"}));
  EXPECT_EQ(step(p, {std::exp(2.0)}), (std::vector<Value>{2.0, 0.5}));
  EXPECT_EQ(step(p, {std::exp(-4.0)}), (std::vector<Value>{-4.0, -0.25}));
  EXPECT_EQ(step(p, {-1.0}), (std::vector<Value>{kMissing, kMissing}));
  EXPECT_EQ(step(p, {kMissing}), (std::vector<Value>{kMissing, kMissing}));
}

TEST(FeaturePipeline, GivenOrderChangesNothingButTheOrderOfNames) {
  const auto features = [] {
    return list(op<Log>({"a"}, {"la"}), op<Subtract>({"la", "b"}, {"d"}),
                op<Multiply>({"d", "lb"}, {"m"}), op<Log>({"b"}, {"lb"}),
                lag({"m"}, {"prev_m"}));
  };
  auto forward = make_pipeline(features(), {"a", "b"});
  auto reversed_list = features();
  std::reverse(reversed_list.begin(), reversed_list.end());
  auto reversed = make_pipeline(std::move(reversed_list), {"a", "b"});
  EXPECT_EQ(forward.output_names(), (Names{"la", "lb", "d", "m", "prev_m"}));
  EXPECT_EQ(reversed.output_names(), (Names{"lb", "la", "d", "m", "prev_m"}));
  for (double x : {2.0, 3.5, 0.25, 7.0}) {
    const auto f = step(forward, {x, x + 1});
    const auto r = step(reversed, {x, x + 1});
    EXPECT_EQ(f[0], r[1]);
    EXPECT_EQ(f[1], r[0]);
    EXPECT_EQ(std::vector<Value>(f.begin() + 2, f.end()),
              std::vector<Value>(r.begin() + 2, r.end()));
  }
}

TEST(FeaturePipeline, OutputShadowsTheInputColumnOfTheSameName) {
  // "r" is both a column and an output: readers see the output; the
  // producer reading its own name sees the column.
  auto p = make_pipeline(list(op<Log>({"r"}, {"t"}), op<Add>({"r", "x"}, {"r"})), {"r", "x"});
  EXPECT_EQ(p.output_names(), (Names{"r", "t"}));
  EXPECT_EQ(step(p, {1.0, std::exp(3.0) - 1.0}), (std::vector<Value>{std::exp(3.0), 3.0}));
}

TEST(FeaturePipeline, SelfReadWithoutColumnSeesMissing) {
  auto p = make_pipeline(list(op<Add>({"s", "x"}, {"s"})), {"x"});
  EXPECT_EQ(step(p, {1.0}), (std::vector<Value>{kMissing}));
  EXPECT_EQ(step(p, {2.0}), (std::vector<Value>{kMissing}));  // no carry-over between bars
}

TEST(FeaturePipeline, NamesBeyondTheRowAreFilledWithMissing) {
  // Log returns one value for three names; the reader of the second name
  // sees missing even though a column of that name exists.
  auto p = make_pipeline(list(op<Log>({"a"}, {"l", "extra", "more"}),
                              op<Add>({"extra", "a"}, {"y"}), op<Add>({"l", "a"}, {"z"}),
                              lag({"a"}, {"prev", "count"}, 2)),
                         {"a", "extra"});
  EXPECT_EQ(p.output_names(), (Names{"l", "extra", "more", "prev", "count", "y", "z"}));
  EXPECT_EQ(step(p, {1.0, 5.0}),
            (std::vector<Value>{0.0, kMissing, kMissing, kMissing, 1.0, kMissing, 1.0}));
  EXPECT_EQ(step(p, {1.0, 5.0}),
            (std::vector<Value>{0.0, kMissing, kMissing, 1.0, 2.0, kMissing, 1.0}));
}

// ---- FeaturePipeline: counts, research, reset ----------------------------------

TEST(FeaturePipeline, WrongCountFailsWithoutTouchingTransforms) {
  auto p = make_pipeline(list(lag({"a"}, {"la"}), op<Add>({"a", "b"}, {"s"})), {"a", "b"});
  EXPECT_EQ(step(p, {1.0, 2.0}), (std::vector<Value>{kMissing, 3.0}));
  for (std::vector<Value> bad : {std::vector<Value>{9.0}, std::vector<Value>{9.0, 9.0, 9.0}}) {
    auto out = p.update(bad);
    ASSERT_FALSE(out);
    ASSERT_TRUE(out.error().is<ZerakError::InvalidInput>());
    EXPECT_EQ(out.error().message(),
              R"(expected 2 input value(s) ["a", "b"], got )" + std::to_string(bad.size()));
  }
  EXPECT_EQ(step(p, {4.0, 5.0}), (std::vector<Value>{1.0, 9.0}));
}

TEST(FeaturePipeline, FirstBadBarFailsResearchAfterEarlierBarsAdvanced) {
  auto p = make_pipeline(list(lag({"a"}, {"la"})), {"a"});
  step(p, {100.0});
  const Bars data{{1.0}, {2.0}, {3.0, 4.0}, {}};
  auto out = p.run_research(data);
  ASSERT_FALSE(out);
  EXPECT_EQ(out.error().message(), R"(expected 1 input value(s) ["a"], got 2)");
  EXPECT_EQ(step(p, {7.0}), (std::vector<Value>{2.0}));
}

TEST(FeaturePipeline, LiveResearchAndResetAgree) {
  const auto build = [] {
    return make_pipeline(list(lag({"d"}, {"pd"}), op<Subtract>({"a", "b"}, {"d"}),
                              op<NegLog>({"pd"}, {"n"}), lag({"n"}, {"pn", "k"}, 2, 3)),
                         {"a", "b"});
  };
  Bars data;
  for (int i = 0; i < 12; ++i) {
    data.push_back({i % 5 == 3 ? kMissing : Value(1.0 + i * 0.37), Value(0.5 * (i % 3))});
  }
  auto live = build();
  Bars live_out;
  for (const auto& bar : data) live_out.push_back(step(live, bar));

  auto research = build();
  step(research, {3.0, 1.0});  // live bars before research are forgotten
  EXPECT_EQ(research.run_research(data).value(), live_out);
  // research leaves the state of its last bar
  research.update(data[0]).value();
  live.update(data[0]).value();
  EXPECT_EQ(step(research, data[1]), step(live, data[1]));

  live.reset();
  Bars again;
  for (const auto& bar : data) again.push_back(step(live, bar));
  EXPECT_EQ(again, live_out);
  EXPECT_TRUE(live.run_research(Bars{}).value().empty());
}

TEST(FeaturePipeline, CountsAndWarmUp) {
  auto p = make_pipeline(list(lag({"a"}, {"x"}, 1, 20), lag({"x"}, {"y"}, 1, 5),
                              op<Log>({"a"}, {"z"})),
                         {"a"});
  EXPECT_EQ(p.size(), 3u);
  EXPECT_EQ(p.warm_up_period(), 20u);  // a maximum, not a sum along the chain
  EXPECT_EQ(p.input_names(), (Names{"a"}));
}

}  // namespace
}  // namespace zerak
