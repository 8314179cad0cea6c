#include "../../features/log_return.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<LogReturn>::save(const LogReturn& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.prices_);
}

Result<LogReturn> Codec<LogReturn>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<LogReturn> t = LogReturn::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().prices_, "prices")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
