#include "../../pipeline/target_pipeline.hpp"

#include <stdexcept>

#include "../registry.hpp"
#include "common.hpp"

namespace zerak::snapshot {

// The input columns, then every target in the order given.
void Codec<TargetPipeline>::save(const TargetPipeline& p, SnapshotWriter& w) {
  w.names(p.input_names());
  w.size(p.size());
  for (const std::unique_ptr<Target>& t : p.targets()) {
    if (!save_record(*t, w)) throw std::logic_error("a target class without a codec");
  }
}

Result<TargetPipeline> Codec<TargetPipeline>::load(SnapshotReader& r) {
  Names columns;
  std::size_t count = 0;
  if (!r.names(columns, "input columns") || !r.size(count, "target count")) return r.error();
  constexpr std::size_t kMinRecord = 1 + 1 + 8;
  if (count > r.remaining() / kMinRecord) {
    r.fail("a count of " + std::to_string(count) + " targets in " +
           std::to_string(r.remaining()) + " byte(s)");
    return r.error();
  }
  std::vector<std::unique_ptr<Target>> targets;
  targets.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    Result<std::unique_ptr<Target>> t = load_target_record(r);
    if (!t) return t.error();
    targets.push_back(std::move(t).value());
  }
  Result<TargetPipeline> p = TargetPipeline::create(std::move(targets), std::move(columns));
  if (!p) return refused(r, p.error());
  return p;
}

}  // namespace zerak::snapshot
