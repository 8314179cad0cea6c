#pragma once

#include "horizon_target.hpp"
#include "error.hpp"

namespace zerak {

// Sample standard deviation of the `horizon` close-to-close log returns that
// follow each bar, unscaled.
class FutureCTCVolatility final : public HorizonTarget<FutureCTCVolatility> {
 public:
  static constexpr schema::Docs kDocs{"Future close-to-close realized volatility."};

  static Result<FutureCTCVolatility> create(Names inputs, std::size_t horizon, Names outputs);

  // One column over the first input; further inputs are ignored.
  [[nodiscard]] std::vector<std::vector<Value>> run_research(
      std::span<const std::span<const Value>> columns) const override;

 private:
  using HorizonTarget::HorizonTarget;
};

}  // namespace zerak
