#pragma once

#include <span>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// (x - mean) / std with constants fixed at construction (usually fitted on a
// training period); stateless.
class FixedZScore final : public TransformBase<FixedZScore> {
 public:
  static constexpr auto parameters() {
    return std::tuple{schema::inputs_param<FixedZScore>, schema::outputs_param<FixedZScore>,
                      schema::RealParam<&FixedZScore::mean>{"mean"},
                      schema::RealParam<&FixedZScore::std_dev>{"std"}};
  }
  static constexpr schema::Docs kDocs{
      .summary = "Z-score normalization with pre-fitted mean and std.",
      .update = "Process one bar. Returns ``[NaN]`` if input is ``NaN``.",
      .reset = schema::kResetScalerDoc,
  };

  static Result<FixedZScore> create(Names inputs, Names outputs, double mean, double std_dev);

  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] bool reads_lent_columns() const noexcept override {
    return true;
  }  // arithmetic only

  [[nodiscard]] double mean() const noexcept { return mean_; }
  [[nodiscard]] double std_dev() const noexcept { return std_dev_; }

 private:
  FixedZScore(Names inputs, Names outputs, double mean, double std_dev);

  double mean_;
  double std_dev_;
};

}  // namespace zerak
