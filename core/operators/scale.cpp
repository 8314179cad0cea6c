#include "scale.hpp"

#include <cmath>
#include <utility>

namespace zerak {

Result<Scale> Scale::create(Names inputs, Names outputs, double scale, double offset) {
  if (Status names = check_names(inputs, outputs); !names) return names.error();
  // A NaN or infinite constant would turn every value into NaN or +-inf.
  if (!std::isfinite(scale)) return ZerakError::invalid_input("scale must be finite");
  if (!std::isfinite(offset)) return ZerakError::invalid_input("offset must be finite");
  return Scale(std::move(inputs), std::move(outputs), scale, offset);
}

}  // namespace zerak
