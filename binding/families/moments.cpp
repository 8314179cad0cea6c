// The Python classes of the window moments.
#include "classes/declared.hpp"
#include "features/moments/family.hpp"

namespace zerak::py::declared {
ZERAK_MOMENTS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
