#include "../../scalers/fixed_zscore.hpp"
#include "common.hpp"

namespace zerak::snapshot {

// Stateless: names and the two constants, bit for bit (a NaN mean
// included); create() refuses a std that is not finite and > 0.
void Codec<FixedZScore>::save(const FixedZScore& t, SnapshotWriter& w) {
  w.names(t.inputs());
  w.names(t.outputs());
  w.f64(t.mean());
  w.f64(t.std_dev());
}

Result<FixedZScore> Codec<FixedZScore>::load(SnapshotReader& r) {
  Names inputs;
  Names outputs;
  double mean = 0.0;
  double std_dev = 0.0;
  if (!r.names(inputs, "inputs") || !r.names(outputs, "outputs") || !r.f64(mean, "mean") ||
      !r.f64(std_dev, "std")) {
    return r.error();
  }
  Result<FixedZScore> t = FixedZScore::create(std::move(inputs), std::move(outputs), mean, std_dev);
  if (!t) return refused(r, t.error());
  return t;
}

}  // namespace zerak::snapshot
