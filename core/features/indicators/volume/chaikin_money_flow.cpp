#include "chaikin_money_flow.hpp"

namespace zerak {

template class VolumeRatioWindow<ChaikinMoneyFlow>;

}  // namespace zerak
