// The Python classes of the range volatilities.
#include "classes/declared.hpp"
#include "features/volatility/family.hpp"

namespace zerak::py::declared {
ZERAK_VOLATILITY_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
