#include "log.hpp"

#include "simd/dispatch.hpp"

namespace zerak::ops {
namespace {
#include "simd/log.inc"
}  // namespace

double log(double x) noexcept { return log_scalar(x); }

void log_block(const double* x, std::size_t n, double* out) noexcept {
  simd::kernels().logs(x, n, out);
}

}  // namespace zerak::ops
