#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "window/ring.hpp"
#include "traits.hpp"
#include "value.hpp"

namespace zerak::snapshot {

// Appends little-endian fields to a byte buffer. A record (class tag and
// length-prefixed body) can be opened inside another record's body.
class SnapshotWriter {
 public:
  void u8(std::uint8_t v) { bytes_.push_back(v); }
  void u16(std::uint16_t v);
  void u64(std::uint64_t v);
  void size(std::size_t v) { u64(static_cast<std::uint64_t>(v)); }
  void f64(double v);
  void boolean(bool v) { u8(v ? 1 : 0); }
  void text(std::string_view s);
  void names(const Names& names);
  void optional_size(const std::optional<std::size_t>& v);
  void value(const Value& v);
  // A ring oldest first: its size, then its values (see values()).
  void ring(const Ring& ring);
  // `count` values as a presence bitmap (bit i of byte i / 8) followed by
  // the present values; `at(i)` yields value i.
  template <class At>
  void values(std::size_t count, At&& at) {
    const std::size_t start = bytes_.size();
    bytes_.resize(start + count / 8 + (count % 8 != 0), 0);
    for (std::size_t i = 0; i < count; ++i) {
      const Value& v = at(i);
      if (!v) continue;
      bytes_[start + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
      f64(*v);
    }
  }

  // Starts a record of class `tag`; returns the position to pass to end_record.
  std::size_t begin_record(std::string_view tag);
  void end_record(std::size_t position);

  [[nodiscard]] std::vector<std::uint8_t> take() && { return std::move(bytes_); }
  [[nodiscard]] std::vector<std::uint8_t>& bytes() noexcept { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace zerak::snapshot
