#include "log.hpp"

#include "block/simd/dispatch.hpp"

namespace zerak::ops {
namespace {
#include "log.inc"
}  // namespace

double log(double x) noexcept { return log_scalar(x); }

void log_block(const double* x, std::size_t n, double* out) noexcept {
  simd::kernels().logs(x, n, out);
}

}  // namespace zerak::ops
