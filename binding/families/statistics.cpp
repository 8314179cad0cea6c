// The Python classes of the window statistics.
#include "classes/declared.hpp"
#include "features/statistics/family.hpp"

namespace zerak::py::declared {
ZERAK_STATISTICS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
