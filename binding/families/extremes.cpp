// The Python classes of the window extremes.
#include "classes/declared.hpp"
#include "features/extremes/family.hpp"

namespace zerak::py::declared {
ZERAK_EXTREMES_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
