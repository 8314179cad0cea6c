#include "../../features/simple_return.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<SimpleReturn>::save(const SimpleReturn& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.prices_);
}

Result<SimpleReturn> Codec<SimpleReturn>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<SimpleReturn> t = SimpleReturn::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().prices_, "prices")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
