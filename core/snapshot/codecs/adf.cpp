#include "../../features/adf.hpp"
#include "method.hpp"

namespace zerak::snapshot {

// The lag count is stored resolved, so a default rule changed in a later
// build cannot change a restored test.
void Codec<Adf>::save(const Adf& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.size(t.lags());
  w.u8(static_cast<std::uint8_t>(t.regression()));
  w.ring(t.ring_);
}

Result<Adf> Codec<Adf>::load(SnapshotReader& r) {
  WindowConfig c;
  std::size_t lags = 0;
  ops::AdfRegression regression{};
  if (!read_window_config(r, c) || !r.size(lags, "lags") || !read_regression(r, regression)) {
    return r.error();
  }
  Result<Adf> t = Adf::create(std::move(c.inputs), c.window, std::move(c.outputs), lags,
                              regression);
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().ring_, "window values")) return r.error();
  return t;
}

}  // namespace zerak::snapshot
