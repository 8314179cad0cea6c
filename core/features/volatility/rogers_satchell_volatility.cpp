#include "rogers_satchell_volatility.hpp"

namespace zerak {

template class TermWindow<RogersSatchellVolatility>;

}  // namespace zerak
