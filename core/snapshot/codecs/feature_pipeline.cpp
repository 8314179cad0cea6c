#include "../../pipeline/feature_pipeline.hpp"

#include <stdexcept>

#include "../registry.hpp"
#include "common.hpp"

namespace zerak::snapshot {

// The input columns, then every transform in plan order. Built again from
// that order, the plan comes out the same (levels keep the order their
// members were freed in); load checks that it does.
void Codec<FeaturePipeline>::save(const FeaturePipeline& p, SnapshotWriter& w) {
  w.names(p.inputs());
  w.size(p.size());
  for (const FeatureDag::Level& level : p.dag().levels()) {
    for (const FeatureDag::Handle& t : level) {
      if (!save_record(*t, w)) throw std::logic_error("a transform class without a codec");
    }
  }
}

Result<FeaturePipeline> Codec<FeaturePipeline>::load(SnapshotReader& r) {
  Names columns;
  std::size_t count = 0;
  if (!r.names(columns, "input columns") || !r.size(count, "transform count")) return r.error();
  constexpr std::size_t kMinRecord = 1 + 1 + 8;  // tag length, one tag byte, body length
  if (count > r.remaining() / kMinRecord) {
    r.fail("a count of " + std::to_string(count) + " transforms in " +
           std::to_string(r.remaining()) + " byte(s)");
    return r.error();
  }
  std::vector<FeatureDag::Handle> transforms;
  transforms.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    Result<std::unique_ptr<StreamingTransform>> t = load_transform_record(r);
    if (!t) return t.error();
    transforms.push_back(std::move(t).value());
  }
  std::vector<const StreamingTransform*> order;
  order.reserve(count);
  for (const FeatureDag::Handle& t : transforms) order.push_back(t.get());

  Result<FeaturePipeline> p = FeaturePipeline::create(std::move(transforms), std::move(columns));
  if (!p) return refused(r, p.error());
  std::size_t i = 0;
  for (const FeatureDag::Level& level : p.value().dag().levels()) {
    for (const FeatureDag::Handle& t : level) {
      if (t.get() != order[i++]) {
        r.fail("transforms not in plan order");
        return r.error();
      }
    }
  }
  return p;
}

}  // namespace zerak::snapshot
