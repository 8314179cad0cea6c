#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch.hpp"

// The counting passes at the baseline's width, two lanes, compiled into the
// library: rows too short to repay a call through the kernel table are
// counted here, inline, by the same code the kernels run.
namespace zerak::simd::baseline_counting {
namespace steps {
#include "steps.inc"
}  // namespace steps

typedef double Vec2 __attribute__((vector_size(2 * sizeof(double))));
using Vec = Vec2;

#include "vectors.inc"
#include "counting.inc"

}  // namespace zerak::simd::baseline_counting
