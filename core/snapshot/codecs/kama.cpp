#include "../../features/kama.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<Kama>::save(const Kama& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.size(t.fast());
  w.size(t.slow());
  w.value(t.current_);
  w.ring(t.prices_);
}

Result<Kama> Codec<Kama>::load(SnapshotReader& r) {
  WindowConfig c;
  std::size_t fast = 0;
  std::size_t slow = 0;
  if (!read_window_config(r, c) || !r.size(fast, "fast") || !r.size(slow, "slow")) {
    return r.error();
  }
  Result<Kama> t = Kama::create(std::move(c.inputs), c.window, std::move(c.outputs), fast, slow);
  if (!t) return refused(r, t.error());
  Kama& kama = t.value();
  if (!r.value(kama.current_, "current average") || !r.ring(kama.prices_, "prices")) {
    return r.error();
  }
  // The average exists only once a full window of prices has been seen.
  if (kama.current_ && !kama.prices_.full()) {
    r.fail("an average before a full window of prices");
    return r.error();
  }
  return t;
}

}  // namespace zerak::snapshot
