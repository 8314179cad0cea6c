#include "mfi.hpp"

namespace zerak {

template class VolumeRatioWindow<Mfi>;

}  // namespace zerak
