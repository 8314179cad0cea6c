#pragma once

#include "horizon_target.hpp"
#include "error.hpp"

namespace zerak {

// Simple return from each bar's close to the close `horizon` bars later.
class FutureReturn final : public HorizonTarget<FutureReturn> {
 public:
  static constexpr schema::Docs kDocs{"Future simple return over ``horizon`` bars."};

  static Result<FutureReturn> create(Names inputs, std::size_t horizon, Names outputs);

  // One column over the first input; further inputs are ignored.
  [[nodiscard]] std::vector<std::vector<Value>> run_research(
      std::span<const std::span<const Value>> columns) const override;

 private:
  using HorizonTarget::HorizonTarget;
};

}  // namespace zerak
