#include "../../features/rogers_satchell_volatility.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<RogersSatchellVolatility>::save(const RogersSatchellVolatility& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.terms_);
}

Result<RogersSatchellVolatility> Codec<RogersSatchellVolatility>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<RogersSatchellVolatility> t = RogersSatchellVolatility::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().terms_, "window terms")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
