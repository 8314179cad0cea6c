// The portable path: SSE2 on x86-64, whatever the compiler makes of 16-byte
// vectors elsewhere.
#include <cstddef>
#include <cstdint>

#include "dispatch.hpp"

#define ZERAK_LANES 2
#include "lanes.inc"
#undef ZERAK_LANES

namespace zerak::simd {

const Kernels& baseline_kernels() noexcept { return kTable; }

}  // namespace zerak::simd
