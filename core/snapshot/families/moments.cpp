// The snapshots of the window moments.
#include "features/moments/family.hpp"
#include "snapshot/family_codecs.hpp"

namespace zerak::snapshot {
ZERAK_MOMENTS_FAMILY(ZERAK_TRANSFORM_SNAPSHOTS)
}  // namespace zerak::snapshot
