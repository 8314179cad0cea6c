// Research may read the caller's columns where they lie while another thread
// writes into them (the caller's race): the results may be anything, but
// nothing may crash, and every structure must still agree with the window it
// was derived from. Run for every class of the class list, under the
// sanitizers too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "default_configuration.hpp"
#include "snapshot_cases.hpp"

namespace zerak {
namespace {

using testing::made;

struct Case {
  std::string name;
  std::function<std::unique_ptr<StreamingTransform>()> make;
};

std::vector<Case> cases() {
  std::vector<Case> all;
#define ZERAK_RACE_CASE(Name)                                                  \
  all.push_back({#Name, []() -> std::unique_ptr<StreamingTransform> {          \
                   auto t = testing::with_defaults<Name>();                    \
                   return t ? std::make_unique<Name>(std::move(*t)) : nullptr; \
                 }});
  ZERAK_TRANSFORM_CLASSES(ZERAK_RACE_CASE)
#undef ZERAK_RACE_CASE
  return all;
}

constexpr std::size_t kBars = 6000;

// Column-major bars, each column a rough walk far from zero.
std::vector<double> calm_columns(std::size_t width, std::uint32_t seed) {
  std::vector<double> data(width * kBars);
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> step(0.0, 1.0);
  for (std::size_t j = 0; j < width; ++j) {
    double x = 100.0;
    for (std::size_t i = 0; i < kBars; ++i) data[j * kBars + i] = x += step(rng);
  }
  return data;
}

// Runs all of `data` through `pipe`, its columns lent to the block engine.
void run_lent(FeaturePipeline& pipe, const std::vector<double>& data, std::size_t width) {
  const SlicedLending fill{
      [](std::size_t, std::size_t, std::span<Value* const>) {},  // every column is lent
      [&](std::size_t begin, std::size_t, std::span<const Value*> lent) {
        for (std::size_t j = 0; j < width; ++j)
          lent[j] = values_of(data.data() + j * kBars + begin);
      }};
  pipe.run_blocks(
      kBars, fill, [](std::size_t, std::size_t, std::span<const Value* const>) { return true; },
      [] { return true; });
}

class RacingWrites : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RacingWrites, NeverCrashNorLeaveAStructureAtOddsWithItsWindow) {
  const Case c = cases()[GetParam()];
  std::unique_ptr<StreamingTransform> t = c.make();
  ASSERT_NE(t, nullptr) << c.name << ": no default configuration found";
  const Names inputs = t->inputs();
  const std::size_t width = inputs.size();
  std::vector<FeatureDag::Handle> features;
  features.push_back(std::move(t));
  FeaturePipeline pipe = made(FeaturePipeline::create(std::move(features), inputs));

  std::vector<double> data = calm_columns(width, 5);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    // Plain numbers, infinities, NaNs and the missing pattern, in place.
    const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                          kMissingDouble,
                          std::numeric_limits<double>::infinity(),
                          -1e300,
                          0.0,
                          -0.0,
                          3.0};
    std::mt19937_64 rng(9);
    while (!stop.load(std::memory_order_relaxed)) {
      for (int k = 0; k < 4096; ++k) {
        const std::size_t at = rng() % data.size();
        const double v = rng() % 4 == 0 ? odd[rng() % std::size(odd)] : double(rng() % 1000);
        std::atomic_ref<double>(data[at]).store(v, std::memory_order_relaxed);
      }
    }
  });
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(40);
  do {
    run_lent(pipe, data, width);
  } while (std::chrono::steady_clock::now() < until);
  stop = true;
  writer.join();

  // A restored copy rebuilds every derived structure from the saved windows:
  // the raced pipeline must go on exactly as it does.
  FeaturePipeline twin = made(snapshot::load<FeaturePipeline>(snapshot::save(pipe)));
  const std::vector<double> calm = calm_columns(width, 6);
  for (std::size_t i = 0; i < 200; ++i) {
    std::vector<Value> row(width);
    for (std::size_t j = 0; j < width; ++j) row[j] = calm[j * kBars + i];
    const auto a = pipe.update(row);
    const auto b = twin.update(row);
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(testing::same_rows(a.value(), b.value())) << c.name << " at bar " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryClass, RacingWrites, ::testing::Range<std::size_t>(0, cases().size()),
                         [](const auto& info) { return cases()[info.param].name; });

}  // namespace
}  // namespace zerak
