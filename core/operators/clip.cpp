#include "clip.hpp"

#include <cmath>
#include <utility>

namespace zerak {

Result<Clip> Clip::create(Names inputs, Names outputs, Value lower, Value upper) {
  if (Status names = check_names(inputs, outputs); !names) return names.error();
  if (lower && std::isnan(*lower)) return ZerakError::invalid_input("lower must not be NaN");
  if (upper && std::isnan(*upper)) return ZerakError::invalid_input("upper must not be NaN");
  if (lower && upper && *lower > *upper) {
    return ZerakError::invalid_input("lower must be <= upper");
  }
  return Clip(std::move(inputs), std::move(outputs), lower, upper);
}

}  // namespace zerak
