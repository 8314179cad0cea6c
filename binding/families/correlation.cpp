// The Python classes of the correlations.
#include "classes/declared.hpp"
#include "features/correlation/family.hpp"

namespace zerak::py::declared {
ZERAK_CORRELATION_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
