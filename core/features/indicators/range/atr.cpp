#include "atr.hpp"

namespace zerak {

template class WilderRange<Atr>;

}  // namespace zerak
