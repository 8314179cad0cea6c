#include "../../features/sma.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<Sma>::save(const Sma& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.ring_);
}

Result<Sma> Codec<Sma>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<Sma> t = Sma::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().ring_, "window values")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
