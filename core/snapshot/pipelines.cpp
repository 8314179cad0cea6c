// The pipelines' codecs: a pipeline's record holds its input columns and then
// one nested record per member, written by the members' own codecs.
#include <stdexcept>

#include "pipeline/family.hpp"
#include "family_codecs.hpp"

namespace zerak::snapshot {
namespace {

// Reads the input columns and a member count no larger than the records the
// remaining bytes could hold, so that nothing is reserved for a forged count.
bool read_header(SnapshotReader& r, Names& columns, std::size_t& count, const char* member,
                 const char* members) {
  if (!r.names(columns, "input columns") || !r.size(count, std::string(member) + " count")) {
    return false;
  }
  constexpr std::size_t kMinRecord = 1 + 1 + 8;  // tag length, one tag byte, body length
  if (count > r.remaining() / kMinRecord) {
    return r.fail("a count of " + std::to_string(count) + " " + members + " in " +
                  std::to_string(r.remaining()) + " byte(s)");
  }
  return true;
}

// Every member's record, in order.
template <class Member, class Load>
Result<std::vector<std::unique_ptr<Member>>> read_members(SnapshotReader& r, std::size_t count,
                                                          Load&& load_record) {
  std::vector<std::unique_ptr<Member>> members;
  members.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    Result<std::unique_ptr<Member>> m = load_record(r);
    if (!m) return m.error();
    members.push_back(std::move(m).value());
  }
  return members;
}

}  // namespace

// Transforms go in plan order. Built again from that order, the plan comes
// out the same (levels keep the order their members were freed in); load
// checks that it does.
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
  if (!read_header(r, columns, count, "transform", "transforms")) return r.error();
  Result<std::vector<FeatureDag::Handle>> transforms =
      read_members<StreamingTransform>(r, count, load_transform_record);
  if (!transforms) return transforms.error();
  std::vector<const StreamingTransform*> order;
  order.reserve(count);
  for (const FeatureDag::Handle& t : transforms.value()) order.push_back(t.get());

  Result<FeaturePipeline> p =
      FeaturePipeline::create(std::move(transforms).value(), std::move(columns));
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

// Targets go in the order given.
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
  if (!read_header(r, columns, count, "target", "targets")) return r.error();
  Result<std::vector<std::unique_ptr<Target>>> targets =
      read_members<Target>(r, count, load_target_record);
  if (!targets) return targets.error();
  Result<TargetPipeline> p = TargetPipeline::create(std::move(targets).value(), std::move(columns));
  if (!p) return refused(r, p.error());
  return p;
}

ZERAK_PIPELINES_FAMILY(ZERAK_SNAPSHOTS)

}  // namespace zerak::snapshot
