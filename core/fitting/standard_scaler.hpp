#pragma once

#include <span>
#include <utility>

#include "error.hpp"
#include "value.hpp"

namespace zerak {

// Mean and sample standard deviation of the present values of a column.
struct StandardScalerFit {
  double mean;
  double std;
};

[[nodiscard]] Result<StandardScalerFit> fit_standard_scaler(std::span<const Value> data);

}  // namespace zerak
