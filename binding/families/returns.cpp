// The Python classes of the returns, lags and differences.
#include "classes/declared.hpp"
#include "features/returns/family.hpp"

namespace zerak::py::declared {
ZERAK_RETURNS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
