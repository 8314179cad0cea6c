// The portable path: SSE2 on x86-64, whatever the compiler makes of 16-byte
// vectors elsewhere.
#include <cstddef>

#include "dispatch.hpp"

namespace zerak::simd {
namespace {
alignas(64) constexpr double kZeros[8] = {};
}  // namespace

#define ZERAK_LANES 2
#include "lanes.inc"
#undef ZERAK_LANES

const Kernels& baseline_kernels() noexcept { return kTable; }

}  // namespace zerak::simd
