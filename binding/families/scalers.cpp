// The Python classes of the scalers.
#include "classes/declared.hpp"
#include "scalers/family.hpp"

namespace zerak::py::declared {
ZERAK_SCALERS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
