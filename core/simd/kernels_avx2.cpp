// The kernels with 4 lanes of avx2, chosen at run time when the CPU has it.
#include <cstddef>
#include <cstdint>

#include "dispatch.hpp"

#if ZERAK_X86_KERNELS

#pragma GCC push_options
#pragma GCC target("avx2")
#define ZERAK_LANES 4
#include "lanes.inc"
#undef ZERAK_LANES
#pragma GCC pop_options

const zerak::simd::Kernels& zerak::simd::avx2_kernels() noexcept { return kTable; }

#else

const zerak::simd::Kernels& zerak::simd::avx2_kernels() noexcept { return baseline_kernels(); }

#endif
