#include "writer.hpp"

#include <bit>

#include "format.hpp"

namespace zerak::snapshot {

void SnapshotWriter::u16(std::uint16_t v) {
  u8(static_cast<std::uint8_t>(v));
  u8(static_cast<std::uint8_t>(v >> 8));
}

void SnapshotWriter::u64(std::uint64_t v) {
  std::uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
  bytes_.insert(bytes_.end(), b, b + 8);
}

void SnapshotWriter::f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }

void SnapshotWriter::text(std::string_view s) {
  size(s.size());
  bytes_.insert(bytes_.end(), s.begin(), s.end());
}

void SnapshotWriter::names(const Names& names) {
  size(names.size());
  for (const std::string& name : names) text(name);
}

void SnapshotWriter::optional_size(const std::optional<std::size_t>& v) {
  boolean(v.has_value());
  if (v) size(*v);
}

void SnapshotWriter::value(const Value& v) {
  boolean(v.has_value());
  if (v) f64(*v);
}

void SnapshotWriter::ring(const Ring& ring) {
  size(ring.size());
  values(ring.size(), [&ring](std::size_t i) -> const Value& { return ring[i]; });
}

std::size_t SnapshotWriter::begin_record(std::string_view tag) {
  u8(static_cast<std::uint8_t>(tag.size()));
  bytes_.insert(bytes_.end(), tag.begin(), tag.end());
  const std::size_t position = bytes_.size();
  u64(0);  // body length, filled in by end_record
  return position;
}

void SnapshotWriter::end_record(std::size_t position) {
  const std::uint64_t length = bytes_.size() - position - 8;
  for (int i = 0; i < 8; ++i) bytes_[position + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

}  // namespace zerak::snapshot
