#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <span>
#include <utility>
#include <vector>

#include "operators/add.hpp"
#include "operators/log.hpp"
#include "pipeline/feature_pipeline.hpp"

namespace zerak {
namespace {

using Handle = std::unique_ptr<StreamingTransform>;

// The previous value of its input, with its own block kernel; returns one
// value whatever the number of its output names.
class Lag final : public TransformBase<Lag> {
 public:
  Lag(Names inputs, Names outputs) : TransformBase(std::move(inputs), std::move(outputs)) {}
  void reset() override { prev_ = kMissing; }
  OutputRow update(std::span<const Value> values) override {
    OutputRow row{prev_};
    prev_ = values[0];
    return row;
  }
  void update_block(std::span<const Value* const> in, std::span<Value* const> out,
                    std::size_t bars) override {
    for (std::size_t i = 0; i < bars; ++i) {
      out[0][i] = prev_;
      for (std::size_t k = 1; k < out.size(); ++k) out[k][i] = kMissing;
      prev_ = in[0][i];
    }
  }

 private:
  Value prev_;
};

std::vector<Handle> transforms() {
  std::vector<Handle> v;
  v.push_back(std::make_unique<Lag>(Names{"l"}, Names{"y", "unfilled"}));  // reads "l" below
  v.push_back(std::make_unique<Log>(Log::create({"x"}, {"l"}).value()));
  v.push_back(std::make_unique<Add>(Add::create({"y", "x"}, {"s"}).value()));
  v.push_back(std::make_unique<Lag>(Names{"z"}, Names{"z"}));  // its own name: the column
  v.push_back(
      std::make_unique<Log>(Log::create({"z"}, {"lz"}).value()));  // the Lag, not the column
  return v;
}

FeaturePipeline pipeline() { return FeaturePipeline::create(transforms(), {"x", "z"}).value(); }

// Present values, a present NaN (which must stay distinct from missing) and gaps.
std::vector<std::vector<Value>> bars(std::size_t n) {
  std::vector<std::vector<Value>> out;
  for (std::size_t i = 0; i < n; ++i) {
    Value x = i % 7 == 3 ? kMissing : Value(1.0 + double(i % 13));
    Value z = i % 11 == 5 ? Value(std::numeric_limits<double>::quiet_NaN()) : Value(double(i));
    if (i % 17 == 0) z = kMissing;
    out.push_back({x, z});
  }
  return out;
}

bool same(const Value& a, const Value& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (std::isnan(*a) ? std::isnan(*b) : *a == *b);
}

// Runs `data` through run_blocks; rows of outputs.
std::vector<std::vector<Value>> blocks(FeaturePipeline& p,
                                       const std::vector<std::vector<Value>>& data,
                                       std::size_t threads = 1) {
  std::vector<std::vector<Value>> out(data.size(), std::vector<Value>(p.outputs().size()));
  const bool done = p.run_blocks(
      data.size(),
      [&](std::size_t begin, std::size_t count, std::span<Value* const> in) {
        for (std::size_t j = 0; j < in.size(); ++j) {
          for (std::size_t i = 0; i < count; ++i) in[j][i] = data[begin + i][j];
        }
      },
      [&](std::size_t begin, std::size_t count, std::span<const Value* const> outs) {
        for (std::size_t k = 0; k < outs.size(); ++k) {
          for (std::size_t i = 0; i < count; ++i) out[begin + i][k] = outs[k][i];
        }
        return true;
      },
      [] { return true; }, threads);
  EXPECT_TRUE(done);
  return out;
}

class BlockEngineThreads : public testing::TestWithParam<std::size_t> {};

TEST_P(BlockEngineThreads, BlocksEqualUpdateBarByBar) {
  const auto data = bars(20000);  // many blocks of growing size
  FeaturePipeline live = pipeline();
  FeaturePipeline research = pipeline();
  ASSERT_TRUE(research.update(data[3]));  // continues from here, as live does
  ASSERT_TRUE(live.update(data[3]));
  const auto got = blocks(research, data, GetParam());
  for (std::size_t i = 0; i < data.size(); ++i) {
    const auto want = live.update(data[i]).value();
    ASSERT_EQ(want.size(), got[i].size());
    for (std::size_t k = 0; k < want.size(); ++k) {
      ASSERT_TRUE(same(got[i][k], want[k])) << "bar " << i << " output " << k;
    }
  }
  // afterwards both continue alike
  EXPECT_TRUE(same(research.update(data[0]).value()[0], live.update(data[0]).value()[0]));
  EXPECT_EQ(research.run_research(data).value().size(), data.size());
}

INSTANTIATE_TEST_SUITE_P(Threads, BlockEngineThreads, testing::Values(1, 2, 3));

// Throws from its block kernel once it has seen `fuse` bars.
class Fuse final : public TransformBase<Fuse> {
 public:
  Fuse(Names inputs, Names outputs, std::size_t fuse)
      : TransformBase(std::move(inputs), std::move(outputs)), fuse_(fuse) {}
  OutputRow update(std::span<const Value> values) override { return OutputRow{values[0]}; }
  void update_block(std::span<const Value* const> in, std::span<Value* const> out,
                    std::size_t bars) override {
    if ((seen_ += bars) >= fuse_) throw std::bad_alloc();
    for (std::size_t i = 0; i < bars; ++i) out[0][i] = in[0][i];
  }

 private:
  std::size_t fuse_;
  std::size_t seen_ = 0;
};

TEST_P(BlockEngineThreads, AnExceptionInAnyStepReachesTheCaller) {
  for (const std::size_t at : {0, 1, 2}) {  // first, middle or last of a level
    std::vector<Handle> v;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::string out = "f" + std::to_string(k);
      v.push_back(std::make_unique<Fuse>(Names{"x"}, Names{out}, k == at ? 3000 : SIZE_MAX));
    }
    v.push_back(std::make_unique<Fuse>(Names{"f1"}, Names{"g"}, SIZE_MAX));
    FeaturePipeline p = FeaturePipeline::create(std::move(v), {"x", "z"}).value();
    EXPECT_THROW(blocks(p, bars(10000), GetParam()), std::bad_alloc);
  }
}

TEST(BlockEngine, StopsBetweenBlocksAndRestoresSavedState) {
  const auto data = bars(50000);
  FeaturePipeline p = pipeline();
  FeaturePipeline twin = pipeline();
  blocks(p, std::vector(data.begin(), data.begin() + 100));
  blocks(twin, std::vector(data.begin(), data.begin() + 100));
  FeaturePipeline::State saved = p.save();

  std::size_t seen = 0;
  const bool done = p.run_blocks(
      data.size(),
      [](std::size_t, std::size_t, std::span<Value* const> in) {
        for (Value* column : in) column[0] = 1.0;
      },
      [&](std::size_t, std::size_t count, std::span<const Value* const>) {
        seen += count;
        return true;
      },
      [&] { return seen < 1000; });
  EXPECT_FALSE(done);
  EXPECT_GE(seen, 1000u);
  EXPECT_LT(seen, data.size());

  p.restore(std::move(saved));
  const auto rest = std::vector(data.begin() + 100, data.end());
  const auto a = blocks(p, rest);
  const auto b = blocks(twin, rest);
  for (std::size_t i = 0; i < rest.size(); ++i) {
    for (std::size_t k = 0; k < a[i].size(); ++k) ASSERT_TRUE(same(a[i][k], b[i][k]));
  }
}

// Its input as is, but only once `warm_up` bars have passed, as an expensive
// transform that costs little until then.
class Late final : public TransformBase<Late> {
 public:
  Late(Names inputs, Names outputs, std::size_t warm_up)
      : TransformBase(std::move(inputs), std::move(outputs)), warm_up_(warm_up) {}
  [[nodiscard]] std::size_t warm_up_period() const override { return warm_up_; }
  void reset() override { seen_ = 0; }
  OutputRow update(std::span<const Value> values) override {
    if (!values[0]) return {kMissing};
    return {++seen_ > warm_up_ ? values[0] : kMissing};
  }

 private:
  std::size_t warm_up_;
  std::size_t seen_ = 0;
};

TEST(BlockEngine, NoBlockSpansTheEndOfAWarmUp) {
  // Warm-ups add up along the chain: outputs from bar 300 (a) and 800 (b).
  std::vector<Handle> v;
  v.push_back(std::make_unique<Late>(Names{"x"}, Names{"a"}, 300));
  v.push_back(std::make_unique<Late>(Names{"a"}, Names{"b"}, 500));
  FeaturePipeline p = FeaturePipeline::create(std::move(v), {"x"}).value();
  const std::vector<Value> one{1.0};
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(p.update(one));  // the ends lie 200 and 700 bars on
  FeaturePipeline::State saved = p.save();

  for (int run = 0; run < 2; ++run) {  // again from the saved state: the same ends
    std::vector<std::pair<std::size_t, std::size_t>> shapes;
    std::size_t first_present = 0;
    ASSERT_TRUE(p.run_blocks(
        5000,
        [](std::size_t, std::size_t count, std::span<Value* const> in) {
          for (std::size_t i = 0; i < count; ++i) in[0][i] = 1.0;
        },
        [&](std::size_t begin, std::size_t count, std::span<const Value* const> out) {
          shapes.emplace_back(begin, count);
          for (std::size_t i = 0; i < count && first_present == 0; ++i) {
            if (out[1][i]) first_present = begin + i;
          }
          return true;
        },
        [] { return true; }));
    EXPECT_EQ(first_present, 700u);
    for (const std::size_t end : {200u, 700u}) {
      bool starts_there = false;
      for (const auto& [begin, count] : shapes) {
        EXPECT_FALSE(begin < end && end < begin + count)
            << begin << "+" << count << " spans " << end;
        if (begin == end) {
          starts_there = true;
          EXPECT_LE(count, 16u);  // the cost per bar is unknown from there: a small block first
        }
      }
      EXPECT_TRUE(starts_there) << end;
    }
    if (run == 0) p.restore(std::move(saved));
  }
}

}  // namespace
}  // namespace zerak
