#include "natr.hpp"

namespace zerak {

template class WilderRange<Natr>;

}  // namespace zerak
