// The Python classes of the indicators of one price column.
#include "classes/declared.hpp"
#include "features/indicators/close/family.hpp"

namespace zerak::py::declared {
ZERAK_CLOSE_INDICATORS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
