#include "../../features/kurtosis.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<Kurtosis>::save(const Kurtosis& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.buffer_);
}

Result<Kurtosis> Codec<Kurtosis>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<Kurtosis> t = Kurtosis::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().buffer_, "window values")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
