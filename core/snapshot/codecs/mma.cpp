#include "../../features/mma.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<Mma>::save(const Mma& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.ring_);
}

Result<Mma> Codec<Mma>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<Mma> t = Mma::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().ring_, "window values")) return r.error();
  rebuild_derived(t.value());
  return t;
}

}  // namespace zerak::snapshot
