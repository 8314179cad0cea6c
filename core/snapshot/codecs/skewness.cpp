#include "../../features/skewness.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<Skewness>::save(const Skewness& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.buffer_);
}

Result<Skewness> Codec<Skewness>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<Skewness> t = Skewness::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().buffer_, "window values")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
