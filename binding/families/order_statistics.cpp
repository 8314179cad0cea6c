// The Python classes of the order statistics.
#include "classes/declared.hpp"
#include "features/order_statistics/family.hpp"

namespace zerak::py::declared {
ZERAK_ORDER_STATISTICS_FAMILY(ZERAK_PYTHON_TRANSFORM)
}  // namespace zerak::py::declared
