// The kernels with 8 lanes of avx512, chosen at run time when the CPU has it.
#include <cstddef>
#include <cstdint>

#include "dispatch.hpp"

#if ZERAK_X86_KERNELS

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq,avx512vl")
#define ZERAK_LANES 8
#include "lanes.inc"
#undef ZERAK_LANES
#pragma GCC pop_options

const zerak::simd::Kernels& zerak::simd::avx512_kernels() noexcept { return kTable; }

#else

const zerak::simd::Kernels& zerak::simd::avx512_kernels() noexcept { return baseline_kernels(); }

#endif
