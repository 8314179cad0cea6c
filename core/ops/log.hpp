#pragma once

#include <cstddef>

namespace zerak::ops {

// The library's natural logarithm (simd/log.inc): the same bits on every
// platform and instruction set, live and in blocks, whatever the C library.
[[nodiscard]] double log(double x) noexcept;

// out[i] = log(x[i]) for i < n, vectorised on the active instruction set;
// out may be x.
void log_block(const double* x, std::size_t n, double* out) noexcept;

}  // namespace zerak::ops
