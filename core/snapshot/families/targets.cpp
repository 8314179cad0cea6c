// The snapshots of the targets.
#include "targets/family.hpp"
#include "snapshot/family_codecs.hpp"

namespace zerak::snapshot {
ZERAK_TARGETS_FAMILY(ZERAK_TARGET_SNAPSHOTS)
}  // namespace zerak::snapshot
