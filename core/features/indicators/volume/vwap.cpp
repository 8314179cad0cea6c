#include "vwap.hpp"

namespace zerak {

template class VolumeRatioWindow<Vwap>;

}  // namespace zerak
