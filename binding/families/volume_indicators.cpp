// The Python classes of the volume indicators.
#include "classes/declared.hpp"
#include "features/indicators/volume/family.hpp"

namespace zerak::py::declared {
ZERAK_VOLUME_INDICATORS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
