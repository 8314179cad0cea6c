// The Python classes of the moving averages.
#include "classes/declared.hpp"
#include "features/averages/family.hpp"

namespace zerak::py::declared {
ZERAK_AVERAGES_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
