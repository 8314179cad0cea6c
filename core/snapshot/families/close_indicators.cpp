// The snapshots of the indicators of one price column.
#include "features/indicators/close/family.hpp"
#include "snapshot/family_codecs.hpp"

namespace zerak::snapshot {
ZERAK_CLOSE_INDICATORS_FAMILY(ZERAK_TRANSFORM_SNAPSHOTS)
}  // namespace zerak::snapshot
