#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "error.hpp"
#include "window/ring.hpp"
#include "traits.hpp"
#include "value.hpp"

namespace zerak::snapshot {

// Reads the fields SnapshotWriter wrote, trusting nothing: every length and
// count is checked against the bytes that remain before it is used, so no
// allocation or loop is driven by an unchecked number. A read returns false
// on the first problem and keeps a message naming it (see error()).
class SnapshotReader {
 public:
  // `offset` is where `bytes` starts in the whole snapshot (for messages);
  // `tag` names the class whose record this is.
  SnapshotReader(std::span<const std::uint8_t> bytes, std::size_t offset,
                 std::string_view tag) noexcept
      : bytes_(bytes), offset_(offset), tag_(tag) {}

  bool u8(std::uint8_t& out, std::string_view what);
  bool u16(std::uint16_t& out, std::string_view what);
  bool u64(std::uint64_t& out, std::string_view what);
  bool size(std::size_t& out, std::string_view what);
  bool f64(double& out, std::string_view what);
  bool boolean(bool& out, std::string_view what);
  // UTF-8 text, as every name handed over from Python is.
  bool text(std::string& out, std::string_view what);
  bool names(Names& out, std::string_view what);
  bool optional_size(std::optional<std::size_t>& out, std::string_view what);
  bool value(Value& out, std::string_view what);
  // Refills `ring` (already built with its capacity) oldest first.
  bool ring(Ring& ring, std::string_view what);
  // `count` values (bitmap, then the present ones): sink(i, value) for each.
  template <class Sink>
  bool values(std::size_t count, Sink&& sink, std::string_view what);

  // A nested record: its tag and a reader over its body.
  bool record(std::string& tag, std::span<const std::uint8_t>& body, std::size_t& body_offset);
  // True when every byte was read; otherwise records the trailing bytes.
  bool finish();

  // Records a problem with the state or configuration; returns false.
  bool fail(std::string_view message);
  // The configuration was refused by the class's own checks.
  bool rejected(const ZerakError& error);

  [[nodiscard]] std::size_t remaining() const noexcept { return bytes_.size() - pos_; }
  [[nodiscard]] std::string_view tag() const noexcept { return tag_; }
  // The problem as an InvalidConfig error ("snapshot of Sma: ...").
  [[nodiscard]] ZerakError error() const;

 private:
  bool truncated(std::string_view what);
  [[nodiscard]] std::uint64_t le64_unchecked() noexcept;

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  std::size_t offset_;
  std::string_view tag_;
  std::string problem_;
};

template <class Sink>
bool SnapshotReader::values(std::size_t count, Sink&& sink, std::string_view what) {
  const std::size_t map_bytes = count / 8 + (count % 8 != 0);
  if (map_bytes > remaining()) return truncated(what);
  const std::uint8_t* map = bytes_.data() + pos_;
  std::size_t present = 0;
  for (std::size_t i = 0; i < map_bytes; ++i) present += std::popcount(map[i]);
  if (count % 8 != 0 && (map[map_bytes - 1] >> (count % 8)) != 0) {
    return fail(std::string(what) + ": presence bits set past the last value");
  }
  if (present > (remaining() - map_bytes) / 8) return truncated(what);
  pos_ += map_bytes;
  for (std::size_t i = 0; i < count; ++i) {
    if ((map[i / 8] >> (i % 8)) & 1u) {
      sink(i, Value(std::bit_cast<double>(le64_unchecked())));
    } else {
      sink(i, kMissing);
    }
  }
  return true;
}

}  // namespace zerak::snapshot
