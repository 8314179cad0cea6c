// The snapshots of the order statistics.
#include "features/order_statistics/family.hpp"
#include "snapshot/family_codecs.hpp"

namespace zerak::snapshot {
ZERAK_ORDER_STATISTICS_FAMILY(ZERAK_TRANSFORM_SNAPSHOTS)
}  // namespace zerak::snapshot
