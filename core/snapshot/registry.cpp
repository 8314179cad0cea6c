#include "registry.hpp"

#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "catalogue.hpp"
#include "opaque.hpp"
#include "codec.hpp"

namespace zerak::snapshot {
namespace {

template <class Base>
struct Entry {
  std::string_view tag;
  const std::type_info* type;
  void (*save)(const Base&, SnapshotWriter&);
  Result<std::unique_ptr<Base>> (*load)(std::string_view, std::span<const std::uint8_t>,
                                        std::size_t);
};

template <class Base, class T>
constexpr Entry<Base> entry() {
  return {kClassName<T>, &typeid(T),
          [](const Base& object, SnapshotWriter& w) {
            Codec<T>::save(static_cast<const T&>(object), w);
          },
          [](std::string_view tag, std::span<const std::uint8_t> body,
             std::size_t offset) -> Result<std::unique_ptr<Base>> {
            Result<T> loaded = load_body<T>(tag, body, offset);
            if (!loaded) return loaded.error();
            return std::unique_ptr<Base>(std::make_unique<T>(std::move(loaded).value()));
          }};
}

using TransformEntry = Entry<StreamingTransform>;
using TargetEntry = Entry<Target>;

#define ZERAK_TRANSFORM_ENTRY(Class) entry<StreamingTransform, Class>(),
const TransformEntry kTransforms[] = {ZERAK_TRANSFORM_CLASSES(ZERAK_TRANSFORM_ENTRY)};
#undef ZERAK_TRANSFORM_ENTRY

#define ZERAK_TARGET_ENTRY(Class) entry<Target, Class>(),
const TargetEntry kTargets[] = {ZERAK_TARGET_CLASSES(ZERAK_TARGET_ENTRY)};
#undef ZERAK_TARGET_ENTRY

template <class Base, std::size_t N>
bool save_with(const Entry<Base> (&table)[N], const Base& object, SnapshotWriter& w) {
  for (const Entry<Base>& e : table) {
    if (*e.type != typeid(object)) continue;
    const std::size_t at = w.begin_record(e.tag);
    e.save(object, w);
    w.end_record(at);
    return true;
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
    if (e.tag == tag) return e.load(e.tag, body, offset);
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

template <class T>
Result<T> load_body(std::string_view tag, std::span<const std::uint8_t> body,
                    std::size_t offset) {
  SnapshotReader r(body, offset, tag);
  Result<T> loaded = Codec<T>::load(r);
  if (loaded && !r.finish()) return r.error();
  return loaded;
}

#define ZERAK_INSTANTIATE(Class)                                                             \
  template Result<Class> load_body<Class>(std::string_view, std::span<const std::uint8_t>, \
                                          std::size_t);
ZERAK_SNAPSHOT_CLASSES(ZERAK_INSTANTIATE)
#undef ZERAK_INSTANTIATE

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
