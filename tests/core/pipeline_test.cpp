#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "operators/add.hpp"
#include "operators/log.hpp"
#include "pipeline/dag.hpp"
#include "pipeline/feature_pipeline.hpp"

namespace zerak {
namespace {

using Handle = std::unique_ptr<StreamingTransform>;
using Row = std::vector<Value>;

// Stateful: returns the previous value of its input (missing at first) and,
// if asked to, the bar count as a second value.
class Lag final : public TransformBase<Lag> {
 public:
  Lag(Names inputs, Names outputs, std::size_t returned = 1)
      : TransformBase(std::move(inputs), std::move(outputs)), returned_(returned) {}
  std::size_t values_returned() const noexcept override { return returned_; }
  void reset() override { *this = Lag(inputs_, outputs_, returned_); }
  OutputRow update(std::span<const Value> values) override {
    OutputRow row{prev_};
    if (returned_ > 1) row.push_back(double(++bars_));
    prev_ = values.empty() ? kMissing : values[0];
    return row;
  }

 private:
  std::size_t returned_;
  Value prev_;
  std::size_t bars_ = 0;
};

Handle log(Names in, Names out) { return std::make_unique<Log>(Log::create(in, out).value()); }
Handle add(Names in, Names out) { return std::make_unique<Add>(Add::create(in, out).value()); }
Handle lag(Names in, Names out, std::size_t returned = 1) {
  return std::make_unique<Lag>(std::move(in), std::move(out), returned);
}

template <class... H>
std::vector<Handle> list(H... handles) {
  std::vector<Handle> v;
  (v.push_back(std::move(handles)), ...);
  return v;
}

Result<FeatureDag> dag_of(std::vector<Handle> features) {
  return FeatureDag::create(std::move(features));
}

// Each level as the first output names of its members.
std::vector<Names> levels(const Result<FeatureDag>& dag) {
  std::vector<Names> out;
  if (!dag) return {{dag.error().message()}};
  for (const auto& level : dag.value().levels()) {
    Names& names = out.emplace_back();
    for (const auto& t : level) names.push_back(t->outputs().front());
  }
  return out;
}

Row step(FeaturePipeline& p, const Row& bar) {
  auto out = p.update(bar);
  return out ? Row(out.value().begin(), out.value().end()) : Row{};
}

TEST(FeatureDag, LevelOrders) {
  auto worked =
      dag_of(list(log({"c"}, {"a"}), log({"a"}, {"b"}), log({"c"}, {"d"}), add({"b", "d"}, {"e"})));
  EXPECT_EQ(levels(worked), (std::vector<Names>{{"a", "d"}, {"b"}, {"e"}}));
  EXPECT_EQ(worked.value().output_names(), (Names{"a", "d", "b", "e"}));
  EXPECT_EQ(worked.value().external_inputs(), (Names{"c"}));
  // a later level keeps the order in which its members were freed
  EXPECT_EQ(levels(dag_of(
                list(log({"x"}, {"p"}), log({"x"}, {"q"}), log({"q"}, {"r"}), log({"p"}, {"s"})))),
            (std::vector<Names>{{"p", "q"}, {"s", "r"}}));
  // one more than the deepest producer read; repeated reads are separate edges
  EXPECT_EQ(levels(dag_of(list(add({"a", "c"}, {"e"}), log({"x"}, {"a"}), log({"b"}, {"c"}),
                               add({"a", "a"}, {"b"}), log({"y"}, {"f"})))),
            (std::vector<Names>{{"a", "f"}, {"b"}, {"c"}, {"e"}}));
  EXPECT_TRUE(dag_of({}).value().levels().empty());
}

TEST(FeatureDag, DuplicatesBeforeCycles) {
  EXPECT_EQ(levels(dag_of(list(log({"y"}, {"w"}), log({"y"}, {"x"}), log({"x"}, {"y"}),
                               log({"w"}, {"z", "x"})))),
            (std::vector<Names>{{"duplicate output key 'x': produced by index 1 and 3"}}));
  EXPECT_EQ(levels(dag_of(list(log({"a"}, {"b"}), log({"a"}, {"c"}), log({"a"}, {"x", "x"})))),
            (std::vector<Names>{{"duplicate output key 'x': produced by index 2 and 2"}}));
}

TEST(FeatureDag, CyclesFailEvenBesideIndependentTransforms) {
  const std::vector<Names> cyclic{{"cyclic dependency detected among features"}};
  EXPECT_EQ(levels(dag_of(list(log({"b"}, {"a"}), log({"a"}, {"b"})))), cyclic);
  EXPECT_EQ(levels(dag_of(list(log({"x"}, {"i"}), log({"b"}, {"a"}), log({"a"}, {"b"})))), cyclic);
  EXPECT_EQ(levels(dag_of(list(log({"b"}, {"a"}), add({"a", "x"}, {"b"}), log({"b"}, {"d"})))),
            cyclic);
}

TEST(FeatureDag, SelfReadsAndExternals) {
  auto self = dag_of(list(add({"s", "x"}, {"s"}), log({"s"}, {"t"})));
  EXPECT_EQ(levels(self), (std::vector<Names>{{"s"}, {"t"}}));
  EXPECT_EQ(self.value().external_inputs(), (Names{"x"}));
  auto ext = dag_of(list(log({"m"}, {"a"}), add({"z", "y"}, {"b"}), add({"y", "m"}, {"c"}),
                         add({"a", "w"}, {"d"})));
  EXPECT_EQ(ext.value().external_inputs(), (Names{"m", "z", "y", "w"}));
}

TEST(FeaturePipeline, RoutingByResolvedSlots) {
  // "r" is a column and an output: readers see the output, its producer
  // (reading its own name) sees the column; "s" reads itself with no column.
  auto p = FeaturePipeline::create(
               list(log({"r"}, {"t"}), add({"r", "x"}, {"r"}), add({"s", "x"}, {"s"})), {"r", "x"})
               .value();
  EXPECT_EQ(p.output_names(), (Names{"r", "s", "t"}));
  EXPECT_EQ(step(p, {1.0, std::exp(3.0) - 1.0}), (Row{std::exp(3.0), kMissing, 3.0}));

  // names beyond a row's values hold missing, even over a column of that name
  auto q = FeaturePipeline::create(list(log({"a"}, {"l", "extra"}), add({"extra", "a"}, {"y"}),
                                        lag({"a"}, {"prev", "n"}, 2)),
                                   {"a", "extra"})
               .value();
  EXPECT_EQ(q.output_names(), (Names{"l", "extra", "prev", "n", "y"}));
  EXPECT_EQ(step(q, {1.0, 5.0}), (Row{0.0, kMissing, kMissing, 1.0, kMissing}));
  EXPECT_EQ(step(q, {1.0, 5.0}), (Row{0.0, kMissing, 1.0, 2.0, kMissing}));
}

TEST(FeaturePipeline, BadCountsLeaveStateAsDocumented) {
  auto p =
      FeaturePipeline::create(list(lag({"b"}, {"pb"}), add({"a", "b"}, {"s"})), {"a", "b"}).value();
  EXPECT_EQ(step(p, {1.0, 2.0}), (Row{kMissing, 3.0}));
  auto bad = p.update(Row{9.0, 9.0, 9.0});
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().message(), R"(expected 2 input value(s) ["a", "b"], got 3)");
  EXPECT_EQ(step(p, {4.0, 5.0}), (Row{2.0, 9.0}));  // untouched by the failed bar

  // research resets first; its failing third bar comes after two bars
  EXPECT_FALSE(p.run_research(std::vector<Row>{{0.0, 1.0}, {0.0, 2.0}, {0.0}}));
  EXPECT_EQ(step(p, {0.0, 3.0}), (Row{2.0, 3.0}));
  EXPECT_EQ(p.run_research(std::vector<Row>{{0.0, 7.0}, {1.0, 8.0}}).value(),
            (std::vector<Row>{{kMissing, 7.0}, {7.0, 9.0}}));
}

}  // namespace
}  // namespace zerak
