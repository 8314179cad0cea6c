// The window kernels with 4 lanes of avx2, chosen at run time when the CPU has it.
#include <cstddef>

#include "dispatch.hpp"

namespace zerak::simd {

#if defined(__GNUC__) && defined(__x86_64__)

namespace {
alignas(64) constexpr double kZeros[8] = {};
}  // namespace

#pragma GCC push_options
#pragma GCC target("avx2")
#define ZERAK_LANES 4
#include "lanes.inc"
#undef ZERAK_LANES
#pragma GCC pop_options

const Kernels& avx2_kernels() noexcept { return kTable; }

#else

const Kernels& avx2_kernels() noexcept { return baseline_kernels(); }

#endif

}  // namespace zerak::simd
