// The Python classes of the indicators of high, low and close.
#include "classes/declared.hpp"
#include "features/indicators/range/family.hpp"

namespace zerak::py::declared {
ZERAK_RANGE_INDICATORS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
