#pragma once

#include "horizon_target.hpp"
#include "error.hpp"

namespace zerak {

// Least-squares slope of y on x and its R² over the `horizon` bars starting
// at each bar.
class FutureLinearSlope final : public HorizonTarget<FutureLinearSlope> {
 public:
  static constexpr schema::Docs kDocs{
      .summary = "Future OLS slope and R² of y on x over the next ``horizon`` bars.",
      .output_names = "Output column names (slope, r2).",
  };

  static Result<FutureLinearSlope> create(Names inputs, std::size_t horizon, Names outputs);

  // Two columns [slope, r2], as long as x; positions past the end of y count
  // as missing.
  [[nodiscard]] std::vector<std::vector<Value>> run_research(
      std::span<const std::span<const Value>> columns) const override;

 private:
  using HorizonTarget::HorizonTarget;
};

}  // namespace zerak
