#include "../../features/auto_correlation.hpp"
#include "method.hpp"

namespace zerak::snapshot {

void Codec<AutoCorrelation>::save(const AutoCorrelation& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.size(t.lag());
  w.u8(static_cast<std::uint8_t>(t.method()));
  w.ring(t.buffer_);
}

Result<AutoCorrelation> Codec<AutoCorrelation>::load(SnapshotReader& r) {
  WindowConfig c;
  std::size_t lag = 0;
  CorrelationMethod method{};
  if (!read_window_config(r, c) || !r.size(lag, "lag") || !read_method(r, method)) {
    return r.error();
  }
  Result<AutoCorrelation> t =
      AutoCorrelation::create(std::move(c.inputs), c.window, std::move(c.outputs), lag, method);
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().buffer_, "window values")) return r.error();
  rebuild_derived(t.value());
  return t;
}

}  // namespace zerak::snapshot
