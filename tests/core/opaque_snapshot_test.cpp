#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "features/averages/sma.hpp"
#include "opaque.hpp"
#include "pipeline/feature_pipeline.hpp"
#include "snapshot/snapshot.hpp"

namespace zerak {
namespace {

// An embedder's transform: the running sum of its input, saved as 8 bytes.
class RunningSum final : public OpaqueTransform {
 public:
  explicit RunningSum(double sum = 0.0) : sum_(sum) {}
  [[nodiscard]] Names input_names() const override { return in_; }
  [[nodiscard]] Names output_names() const override { return out_; }
  [[nodiscard]] const Names& inputs() const noexcept override { return in_; }
  [[nodiscard]] const Names& outputs() const noexcept override { return out_; }
  [[nodiscard]] std::unique_ptr<StreamingTransform> fresh() const override {
    return std::make_unique<RunningSum>();
  }
  [[nodiscard]] std::unique_ptr<StreamingTransform> clone() const override {
    return std::make_unique<RunningSum>(sum_);
  }
  void reset() override { sum_ = 0.0; }
  OutputRow update(std::span<const Value> v) override {
    if (v[0]) sum_ += *v[0];
    return {Value(sum_)};
  }
  [[nodiscard]] std::string_view record_tag() const noexcept override { return "RunningSumTest"; }
  [[nodiscard]] std::vector<std::uint8_t> payload() const override {
    const auto bits = std::bit_cast<std::uint64_t>(sum_);
    std::vector<std::uint8_t> out(8);
    for (int i = 0; i < 8; ++i) out[i] = std::uint8_t(bits >> (8 * i));
    return out;
  }

  static Result<std::unique_ptr<StreamingTransform>> load(std::span<const std::uint8_t> p) {
    if (p.size() != 8) return ZerakError::invalid_config("a RunningSumTest of the wrong size");
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= std::uint64_t(p[i]) << (8 * i);
    return std::unique_ptr<StreamingTransform>(
        std::make_unique<RunningSum>(std::bit_cast<double>(bits)));
  }

 private:
  double sum_;
  Names in_{"x"};
  Names out_{"sum"};
};

FeaturePipeline pipeline() {
  std::vector<FeatureDag::Handle> ts;
  ts.push_back(std::make_unique<Sma>(Sma::create({"sum"}, 2, {"s"}).value()));
  ts.push_back(std::make_unique<RunningSum>());
  return FeaturePipeline::create(std::move(ts), {"x"}).value();
}

std::vector<double> run(FeaturePipeline& p, int from, int to) {
  std::vector<double> out;
  for (int i = from; i < to; ++i) {
    const Value x = 0.25 * i;
    const Result<std::span<const Value>> row = p.update(std::span(&x, 1));
    for (const Value& v : row.value()) out.push_back(v.value_or(-1.0));
  }
  return out;
}

TEST(OpaqueSnapshot, PipelineWithAnEmbeddersTransformContinuesOnlyWithItsLoader) {
  FeaturePipeline p = pipeline();
  run(p, 0, 5);
  const snapshot::Bytes bytes = snapshot::save(p);
  const Result<FeaturePipeline> unknown = snapshot::load<FeaturePipeline>(bytes);
  ASSERT_FALSE(unknown.ok());
  EXPECT_EQ(unknown.error().message(),
            "snapshot of FeaturePipeline: a RunningSumTest record where a transform belongs");

  register_opaque_loader("RunningSumTest", &RunningSum::load);
  Result<FeaturePipeline> loaded = snapshot::load<FeaturePipeline>(bytes);
  ASSERT_TRUE(loaded.ok()) << loaded.error().message();
  EXPECT_EQ(snapshot::save(loaded.value()), bytes);
  EXPECT_EQ(run(loaded.value(), 5, 12), run(p, 5, 12));
}

}  // namespace
}  // namespace zerak
