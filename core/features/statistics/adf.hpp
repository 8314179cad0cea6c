#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "error.hpp"
#include "ops/adf.hpp"
#include "window/ring.hpp"
#include "traits.hpp"

namespace zerak {

// Rolling augmented Dickey-Fuller test over the last `window` values of the
// first input: [statistic, p-value] on every bar, both missing until the
// window is full, while it holds a missing value, or when the regression is
// degenerate.
class Adf final : public TransformBase<Adf> {
 public:
  using Regression = ops::AdfRegression;

  static constexpr std::string_view kRegressionNames[] = {"c", "ct"};
  // The lag count is kept resolved, so a default rule changed in a later
  // build cannot change a restored test.
  static constexpr auto parameters() {
    return std::tuple_cat(
        schema::window_parameters<Adf>(),
        std::tuple{schema::ResolvedSizeParam<&Adf::lags>{"lags"},
                   schema::ChoiceParam<&Adf::regression, Regression>{
                       "regression", kRegressionNames, Regression::Constant, "regression"}});
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&Adf::ring_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{
      .summary =
          "Rolling Augmented Dickey-Fuller test.\n\n"
          "Produces two outputs per bar: the ADF statistic and its approximate p-value.\n"
          "A very negative stat (e.g. below -3.5 for ``regression='c'``) and a small\n"
          "p-value indicate stationarity (rejection of the unit-root null hypothesis).\n\n"
          "P-values use the asymptotic MacKinnon (2010) distribution. Results are most\n"
          "reliable for ``window >= 100``.",
      .update =
          "Process one bar. Returns ``[adf_stat, adf_pval]``, both ``NaN`` during\n"
          "warm-up, on ``NaN`` input, or when OLS is singular.",
  };

  // `lags` absent selects floor(12 * (window / 100)^0.25). Throws
  // std::bad_alloc or std::length_error when the window's buffers cannot exist.
  static Result<Adf> create(Names inputs, std::size_t window, Names outputs,
                            std::optional<std::size_t> lags, Regression regression);

  // The lag count used when none is given.
  [[nodiscard]] static std::size_t default_lags(std::size_t window) noexcept;

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  void reset() override { ring_.clear(); }
  OutputRow update(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }
  [[nodiscard]] std::size_t values_returned() const noexcept override { return 2; }

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t lags() const noexcept { return lags_; }
  [[nodiscard]] Regression regression() const noexcept { return regression_; }

 private:
  Adf(Names inputs, std::size_t window, Names outputs, std::size_t lags, Regression regression);

  Ring ring_;
  std::size_t window_;
  std::size_t lags_;
  Regression regression_;
  ops::AdfWorkspace workspace_;       // per-bar scratch, sized for the window
  std::vector<double> lane_scratch_;  // the block fits' scratch, sized on first use
};

}  // namespace zerak
