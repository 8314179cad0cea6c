#include "../../features/parkinson_volatility.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<ParkinsonVolatility>::save(const ParkinsonVolatility& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.ring(t.terms_);
}

Result<ParkinsonVolatility> Codec<ParkinsonVolatility>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<ParkinsonVolatility> t = ParkinsonVolatility::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().terms_, "window terms")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
