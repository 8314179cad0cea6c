#include "../../features/ema.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<Ema>::save(const Ema& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.value(t.current_);
  w.ring(t.seed_);
}

Result<Ema> Codec<Ema>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<Ema> t = Ema::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  Ema& ema = t.value();
  if (!r.value(ema.current_, "current average") || !r.ring(ema.seed_, "seed values")) {
    return r.error();
  }
  // A seeded average never collects seed values again.
  if (ema.current_ && !ema.seed_.empty()) {
    r.fail("seed values beside a seeded average");
    return r.error();
  }
  return t;
}

}  // namespace zerak::snapshot
