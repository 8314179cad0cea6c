#pragma once

// The steps of the window passes for the live path and the scalar estimators
// (the block kernels include steps.inc for themselves).
namespace zerak::steps {
#include "simd/steps.inc"
}  // namespace zerak::steps
