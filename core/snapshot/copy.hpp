#pragma once

#include <concepts>

#include "error.hpp"

namespace zerak {
class FeaturePipeline;
class TargetPipeline;
}  // namespace zerak

namespace zerak::snapshot {

// A copy with the same configuration and state. Transforms and targets copy
// as values; a pipeline copies each member and is planned again, into the
// same plan.
template <std::copy_constructible T>
[[nodiscard]] Result<T> copy_of(const T& object) {
  return T(object);
}
[[nodiscard]] Result<FeaturePipeline> copy_of(const FeaturePipeline& pipeline);
[[nodiscard]] Result<TargetPipeline> copy_of(const TargetPipeline& pipeline);

}  // namespace zerak::snapshot
