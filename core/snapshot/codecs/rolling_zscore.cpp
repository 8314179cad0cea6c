#include "../../scalers/rolling_zscore.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<RollingZScore>::save(const RollingZScore& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.ring_);
}

Result<RollingZScore> Codec<RollingZScore>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<RollingZScore> t = RollingZScore::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().ring_, "window values")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
