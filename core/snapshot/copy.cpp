#include "copy.hpp"

#include "pipeline/feature_pipeline.hpp"
#include "pipeline/target_pipeline.hpp"

namespace zerak::snapshot {

Result<FeaturePipeline> copy_of(const FeaturePipeline& pipeline) {
  // Plan order in, the same plan out (see the FeaturePipeline codec).
  std::vector<FeatureDag::Handle> copies;
  copies.reserve(pipeline.size());
  for (const FeatureDag::Level& level : pipeline.dag().levels()) {
    for (const FeatureDag::Handle& t : level) copies.push_back(t->clone());
  }
  return FeaturePipeline::create(std::move(copies), pipeline.input_names());
}

Result<TargetPipeline> copy_of(const TargetPipeline& pipeline) {
  std::vector<std::unique_ptr<Target>> copies;
  copies.reserve(pipeline.size());
  for (const std::unique_ptr<Target>& t : pipeline.targets()) copies.push_back(t->clone());
  return TargetPipeline::create(std::move(copies), pipeline.input_names());
}

}  // namespace zerak::snapshot
