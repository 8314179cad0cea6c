#include "../../features/linear_slope.hpp"
#include "common.hpp"

namespace zerak::snapshot {

// The pairs as one sequence x0, y0, x1, y1, ...
void Codec<LinearSlope>::save(const LinearSlope& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  const auto& pairs = t.pairs_;
  w.size(pairs.size());
  w.values(2 * pairs.size(), [&pairs](std::size_t i) -> const Value& {
    return i % 2 == 0 ? pairs[i / 2].x : pairs[i / 2].y;
  });
}

Result<LinearSlope> Codec<LinearSlope>::load(SnapshotReader& r) {
  WindowConfig c;
  if (!read_window_config(r, c)) return r.error();
  Result<LinearSlope> t =
      LinearSlope::create(std::move(c.inputs), c.window, std::move(c.outputs));
  if (!t) return refused(r, t.error());
  auto& pairs = t.value().pairs_;
  std::size_t n = 0;
  if (!r.size(n, "window pairs")) return r.error();
  if (n > pairs.capacity()) {
    r.fail("window holds " + std::to_string(n) + " pairs, more than its capacity " +
           std::to_string(pairs.capacity()));
    return r.error();
  }
  pairs.clear();
  Value x;
  const bool read = r.values(
      2 * n,  // n is at most the capacity of an allocated ring: no overflow
      [&](std::size_t i, const Value& v) {
        if (i % 2 == 0) {
          x = v;
        } else {
          pairs.push({x, v});
        }
      },
      "window pairs");
  if (!read) return r.error();
  return t;
}

}  // namespace zerak::snapshot
