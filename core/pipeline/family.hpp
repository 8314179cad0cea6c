#pragma once

// The pipelines: their names and snapshots (their Python classes are
// written by hand, in binding/pipelines/).
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "pipeline/feature_pipeline.hpp"
#include "pipeline/target_pipeline.hpp"

#define ZERAK_PIPELINES_FAMILY(X) \
  X(FeaturePipeline) X(TargetPipeline)

namespace zerak {
ZERAK_PIPELINES_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
