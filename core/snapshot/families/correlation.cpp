// The snapshots of the correlations.
#include "features/correlation/family.hpp"
#include "snapshot/family_codecs.hpp"

namespace zerak::snapshot {
ZERAK_CORRELATION_FAMILY(ZERAK_TRANSFORM_SNAPSHOTS)
}  // namespace zerak::snapshot
