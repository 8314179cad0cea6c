#include "parkinson_volatility.hpp"

namespace zerak {

template class TermWindow<ParkinsonVolatility>;

}  // namespace zerak
