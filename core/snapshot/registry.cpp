#include "registry.hpp"

#include <string>
#include <utility>
#include <vector>

#include "catalogue.hpp"
#include "opaque.hpp"

namespace zerak::snapshot {
namespace {

// The catalogue's classes, by tag. The codecs are instantiated by the
// classes' families: this unit only takes their addresses.
template <class Base>
struct Entry {
  std::string_view tag;
  bool (*save)(const Base&, SnapshotWriter&);
  Result<std::unique_ptr<Base>> (*load)(std::span<const std::uint8_t>, std::size_t);
};

using TransformEntry = Entry<StreamingTransform>;
using TargetEntry = Entry<Target>;

#define ZERAK_TRANSFORM_ENTRY(Class) \
  {#Class, &save_record_as<StreamingTransform, Class>, &load_record_as<StreamingTransform, Class>},
constexpr TransformEntry kTransforms[] = {ZERAK_TRANSFORM_CLASSES(ZERAK_TRANSFORM_ENTRY)};
#undef ZERAK_TRANSFORM_ENTRY

#define ZERAK_TARGET_ENTRY(Class) \
  {#Class, &save_record_as<Target, Class>, &load_record_as<Target, Class>},
constexpr TargetEntry kTargets[] = {ZERAK_TARGET_CLASSES(ZERAK_TARGET_ENTRY)};
#undef ZERAK_TARGET_ENTRY

template <class Base, std::size_t N>
bool save_with(const Entry<Base> (&table)[N], const Base& object, SnapshotWriter& w) {
  for (const Entry<Base>& e : table) {
    if (e.save(object, w)) return true;
  }
  return false;
}

template <class Base, std::size_t N>
Result<std::unique_ptr<Base>> load_with(const Entry<Base> (&table)[N], SnapshotReader& r,
                                        std::string_view kind) {
  std::string tag;
  std::span<const std::uint8_t> body;
  std::size_t offset = 0;
  if (!r.record(tag, body, offset)) return r.error();
  for (const Entry<Base>& e : table) {
    if (e.tag == tag) return e.load(body, offset);
  }
  r.fail("a " + tag + " record where a " + std::string(kind) + " belongs");
  return r.error();
}

// Tags of the embedder's transforms: a record of one is its payload as is.
std::vector<std::pair<std::string, OpaqueLoader>>& opaque_loaders() {
  static std::vector<std::pair<std::string, OpaqueLoader>> loaders;
  return loaders;
}

}  // namespace

bool save_record(const StreamingTransform& t, SnapshotWriter& w) {
  if (save_with(kTransforms, t, w)) return true;
  const auto* opaque = dynamic_cast<const OpaqueTransform*>(&t);
  if (opaque == nullptr) return false;
  const std::vector<std::uint8_t> payload = opaque->payload();
  const std::size_t at = w.begin_record(opaque->record_tag());
  for (const std::uint8_t b : payload) w.u8(b);
  w.end_record(at);
  return true;
}
bool save_record(const Target& t, SnapshotWriter& w) { return save_with(kTargets, t, w); }

Result<std::unique_ptr<StreamingTransform>> load_transform_record(SnapshotReader& r) {
  SnapshotReader ahead = r;  // a record of the embedder's is read here, else by the table
  std::string tag;
  std::span<const std::uint8_t> body;
  std::size_t offset = 0;
  if (ahead.record(tag, body, offset)) {
    for (const auto& [known, load] : opaque_loaders()) {
      if (known != tag) continue;
      r = ahead;
      return load(body);
    }
  }
  return load_with(kTransforms, r, "transform");
}
Result<std::unique_ptr<Target>> load_target_record(SnapshotReader& r) {
  return load_with(kTargets, r, "target");
}

}  // namespace zerak::snapshot

void zerak::register_opaque_loader(std::string_view tag, OpaqueLoader loader) {
  for (auto& [known, load] : zerak::snapshot::opaque_loaders()) {
    if (known == tag) {
      load = loader;
      return;
    }
  }
  zerak::snapshot::opaque_loaders().emplace_back(tag, loader);
}
