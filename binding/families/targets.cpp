// The Python classes of the targets.
#include "classes/declared.hpp"
#include "targets/family.hpp"

namespace zerak::py::declared {
ZERAK_TARGETS_FAMILY(ZERAK_PYTHON_TARGET)
}  // namespace zerak::py::declared
