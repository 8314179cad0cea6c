#include "../../features/correlation.hpp"
#include "method.hpp"

namespace zerak::snapshot {

void Codec<Correlation>::save(const Correlation& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.u8(static_cast<std::uint8_t>(t.method()));
  w.ring(t.x_);
  w.ring(t.y_);
}

Result<Correlation> Codec<Correlation>::load(SnapshotReader& r) {
  WindowConfig c;
  CorrelationMethod method{};
  if (!read_window_config(r, c) || !read_method(r, method)) return r.error();
  Result<Correlation> t =
      Correlation::create(std::move(c.inputs), c.window, std::move(c.outputs), method);
  if (!t) return refused(r, t.error());
  Correlation& corr = t.value();
  if (!r.ring(corr.x_, "x window") || !r.ring(corr.y_, "y window")) return r.error();
  // The two windows advance together.
  if (corr.x_.size() != corr.y_.size()) {
    r.fail("x and y windows of different lengths");
    return r.error();
  }
  rebuild_derived(corr);
  return t;
}

}  // namespace zerak::snapshot
