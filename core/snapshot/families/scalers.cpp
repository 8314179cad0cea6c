// The snapshots of the scalers.
#include "scalers/family.hpp"
#include "snapshot/family_codecs.hpp"

namespace zerak::snapshot {
ZERAK_SCALERS_FAMILY(ZERAK_TRANSFORM_SNAPSHOTS)
}  // namespace zerak::snapshot
