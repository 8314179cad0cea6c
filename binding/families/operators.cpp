// The Python classes of the operators.
#include "classes/declared.hpp"
#include "operators/family.hpp"

namespace zerak::py::declared {
ZERAK_OPERATORS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
