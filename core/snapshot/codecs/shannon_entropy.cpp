#include "../../features/shannon_entropy.hpp"
#include "common.hpp"

namespace zerak::snapshot {

void Codec<ShannonEntropy>::save(const ShannonEntropy& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.window(), t.outputs());
  w.optional_size(t.bins());
  w.boolean(t.normalize());
  w.ring(t.buffer_);
}

Result<ShannonEntropy> Codec<ShannonEntropy>::load(SnapshotReader& r) {
  WindowConfig c;
  ShannonEntropy::BinRule bins;
  bool normalize = true;
  if (!read_window_config(r, c) || !r.optional_size(bins, "bins") ||
      !r.boolean(normalize, "normalize")) {
    return r.error();
  }
  Result<ShannonEntropy> t = ShannonEntropy::create(std::move(c.inputs), c.window,
                                                    std::move(c.outputs), bins, normalize);
  if (!t) return refused(r, t.error());
  if (!r.ring(t.value().buffer_, "window values")) return r.error();
  rebuild_derived(t.value());
  return t;
}

}  // namespace zerak::snapshot
