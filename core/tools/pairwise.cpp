#include "pairwise.hpp"
#include "ops/log.hpp"

#include <cmath>

namespace zerak::tools {

Value simple_return(const Value& a, const Value& b) noexcept {
  if (!a || !b || !(*a > 0.0)) return kMissing;
  return (*b - *a) / *a;
}

Value log_return(const Value& a, const Value& b) noexcept {
  if (!a || !b || !(*a > 0.0) || !(*b > 0.0)) return kMissing;
  return ops::log(*b / *a);
}

}  // namespace zerak::tools
