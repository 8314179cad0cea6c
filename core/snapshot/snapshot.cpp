#include "snapshot.hpp"

#include <algorithm>

#include "catalogue.hpp"
#include "codec.hpp"
#include "format.hpp"
#include "registry.hpp"

namespace zerak::snapshot {
namespace {

struct Envelope {
  std::string tag;
  std::span<const std::uint8_t> body;
  std::size_t offset = 0;
};

ZerakError bad(std::string message) { return ZerakError::invalid_config(std::move(message)); }

// Magic, version and checksum, in that order, then the one record.
Result<Envelope> open(std::span<const std::uint8_t> bytes) {
  const std::size_t n = bytes.size();
  const bool magic = std::equal(bytes.begin(), bytes.begin() + std::min<std::size_t>(n, 4),
                                std::begin(kMagic));
  if (!magic) return bad("not a zerak snapshot (it does not start with \"ZRKS\")");
  if (n < kMinSnapshotSize) {
    return bad("snapshot truncated: " + std::to_string(n) + " byte(s), a snapshot has at least " +
               std::to_string(kMinSnapshotSize));
  }
  const std::uint16_t version = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
  if (version != kFormatVersion) {
    return bad("unsupported snapshot format version " + std::to_string(version) +
               " (this build reads version " + std::to_string(kFormatVersion) + ")");
  }
  SnapshotReader tail(bytes.subspan(n - 8), n - 8, "");
  std::uint64_t stored = 0;
  if (!tail.u64(stored, "checksum")) return tail.error();
  if (stored != checksum(bytes.first(n - 8))) {
    return bad("snapshot checksum mismatch: the snapshot is corrupted or truncated");
  }
  SnapshotReader r(bytes.subspan(6, n - 8 - 6), 6, "");
  Envelope e;
  if (!r.record(e.tag, e.body, e.offset) || !r.finish()) return r.error();
  return e;
}

}  // namespace

template <class T>
Bytes save(const T& object) {
  SnapshotWriter w;
  for (const std::uint8_t b : kMagic) w.u8(b);
  w.u16(kFormatVersion);
  const std::size_t at = w.begin_record(kClassName<T>);
  Codec<T>::save(object, w);
  w.end_record(at);
  w.u64(checksum(w.bytes()));
  return std::move(w).take();
}

template <class T>
Result<T> load(std::span<const std::uint8_t> bytes) {
  Result<Envelope> e = open(bytes);
  if (!e) return e.error();
  if (e.value().tag != kClassName<T>) {
    return bad("snapshot holds a " + e.value().tag + ", not a " + std::string(kClassName<T>));
  }
  return load_body<T>(kClassName<T>, e.value().body, e.value().offset);
}

Result<std::string> class_of(std::span<const std::uint8_t> bytes) {
  Result<Envelope> e = open(bytes);
  if (!e) return e.error();
  return std::move(e.value().tag);
}

#define ZERAK_INSTANTIATE(Class)                                   \
  template Bytes save<Class>(const Class&);                        \
  template Result<Class> load<Class>(std::span<const std::uint8_t>);
ZERAK_SNAPSHOT_CLASSES(ZERAK_INSTANTIATE)
#undef ZERAK_INSTANTIATE

}  // namespace zerak::snapshot
