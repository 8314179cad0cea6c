#include "snapshot.hpp"

#include <algorithm>

#include "family_codecs.hpp"
#include "format.hpp"

// The frame of a snapshot; the functions over its record are instantiated by
// each family's unit (families/, family_codecs.hpp).
namespace zerak::snapshot {
namespace {

ZerakError bad(std::string message) { return ZerakError::invalid_config(std::move(message)); }

}  // namespace

namespace detail {

std::size_t begin_snapshot(SnapshotWriter& w, std::string_view tag) {
  for (const std::uint8_t b : kMagic) w.u8(b);
  w.u16(kFormatVersion);
  return w.begin_record(tag);
}

Bytes end_snapshot(SnapshotWriter&& w, std::size_t record) {
  w.end_record(record);
  w.u64(checksum(w.bytes()));
  return std::move(w).take();
}

// Magic, version and checksum, in that order, then the one record.
Result<Envelope> open_snapshot(std::span<const std::uint8_t> bytes) {
  const std::size_t n = bytes.size();
  const bool magic =
      std::equal(bytes.begin(), bytes.begin() + std::min<std::size_t>(n, 4), std::begin(kMagic));
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

ZerakError holds_another_class(const std::string& held, std::string_view wanted) {
  return bad("snapshot holds a " + held + ", not a " + std::string(wanted));
}

}  // namespace detail

Result<std::string> class_of(std::span<const std::uint8_t> bytes) {
  Result<detail::Envelope> e = detail::open_snapshot(bytes);
  if (!e) return e.error();
  return std::move(e.value().tag);
}

}  // namespace zerak::snapshot
