#include "garman_klass_volatility.hpp"

namespace zerak {

template class TermWindow<GarmanKlassVolatility>;

}  // namespace zerak
