#include "reader.hpp"

#include <limits>

#include "format.hpp"

namespace zerak::snapshot {
namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool valid_utf8(std::span<const std::uint8_t> s) noexcept {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::uint8_t c = s[i];
    std::size_t extra;
    std::uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (extra > s.size() - i - 1) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::uint64_t SnapshotReader::le64_unchecked() noexcept {
  std::uint64_t w = 0;
  for (int i = 7; i >= 0; --i) w = (w << 8) | bytes_[pos_ + static_cast<std::size_t>(i)];
  pos_ += 8;
  return w;
}

bool SnapshotReader::truncated(std::string_view what) {
  return fail("truncated at byte " + std::to_string(offset_ + pos_) + " reading " +
              std::string(what));
}

bool SnapshotReader::fail(std::string_view message) {
  if (problem_.empty()) problem_ = message;
  return false;
}

bool SnapshotReader::rejected(const ZerakError& error) {
  return fail("configuration rejected: " + error.message());
}

ZerakError SnapshotReader::error() const {
  const std::string what = problem_.empty() ? "unreadable" : problem_;
  if (tag_.empty()) return ZerakError::invalid_config(what);
  return ZerakError::invalid_config("snapshot of " + std::string(tag_) + ": " + what);
}

bool SnapshotReader::u8(std::uint8_t& out, std::string_view what) {
  if (remaining() < 1) return truncated(what);
  out = bytes_[pos_++];
  return true;
}

bool SnapshotReader::u16(std::uint16_t& out, std::string_view what) {
  if (remaining() < 2) return truncated(what);
  out = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
  pos_ += 2;
  return true;
}

bool SnapshotReader::u64(std::uint64_t& out, std::string_view what) {
  if (remaining() < 8) return truncated(what);
  out = le64_unchecked();
  return true;
}

bool SnapshotReader::size(std::size_t& out, std::string_view what) {
  std::uint64_t v = 0;
  if (!u64(v, what)) return false;
  if (v > std::numeric_limits<std::size_t>::max()) {
    return fail(std::string(what) + " does not fit this platform's sizes");
  }
  out = static_cast<std::size_t>(v);
  return true;
}

bool SnapshotReader::f64(double& out, std::string_view what) {
  std::uint64_t bits = 0;
  if (!u64(bits, what)) return false;
  out = std::bit_cast<double>(bits);
  return true;
}

bool SnapshotReader::boolean(bool& out, std::string_view what) {
  std::uint8_t b = 0;
  if (!u8(b, what)) return false;
  if (b > 1) return fail(std::string(what) + ": " + std::to_string(b) + " is not a boolean");
  out = b == 1;
  return true;
}

bool SnapshotReader::text(std::string& out, std::string_view what) {
  std::size_t n = 0;
  if (!size(n, what)) return false;
  if (n > remaining()) return truncated(what);
  const auto piece = bytes_.subspan(pos_, n);
  if (!valid_utf8(piece)) return fail(std::string(what) + " is not valid UTF-8");
  out.assign(piece.begin(), piece.end());
  pos_ += n;
  return true;
}

bool SnapshotReader::names(Names& out, std::string_view what) {
  std::size_t n = 0;
  if (!size(n, what)) return false;
  if (n > remaining() / 8) return truncated(what);  // every name needs its 8-byte length
  out.clear();
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::string name;
    if (!text(name, what)) return false;
    out.push_back(std::move(name));
  }
  return true;
}

bool SnapshotReader::optional_size(std::optional<std::size_t>& out, std::string_view what) {
  bool has = false;
  if (!boolean(has, what)) return false;
  out.reset();
  if (!has) return true;
  std::size_t v = 0;
  if (!size(v, what)) return false;
  out = v;
  return true;
}

bool SnapshotReader::value(Value& out, std::string_view what) {
  bool has = false;
  if (!boolean(has, what)) return false;
  out.reset();
  if (!has) return true;
  double v = 0.0;
  if (!f64(v, what)) return false;
  out = v;
  return true;
}

bool SnapshotReader::ring(Ring& ring, std::string_view what) {
  std::size_t n = 0;
  if (!size(n, what)) return false;
  if (n > ring.capacity()) {
    return fail(std::string(what) + " holds " + std::to_string(n) +
                " values, more than its capacity " + std::to_string(ring.capacity()));
  }
  ring.clear();
  return values(n, [&ring](std::size_t, const Value& v) { ring.push(v); }, what);
}

bool SnapshotReader::record(std::string& tag, std::span<const std::uint8_t>& body,
                            std::size_t& body_offset) {
  std::uint8_t n = 0;
  if (!u8(n, "class tag")) return false;
  if (n == 0 || n > kMaxTagLength) {
    return fail("class tag of " + std::to_string(n) + " bytes");
  }
  if (n > remaining()) return truncated("class tag");
  tag.clear();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = static_cast<char>(bytes_[pos_ + i]);
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letter) return fail("class tag is not a class name");
    tag.push_back(c);
  }
  pos_ += n;
  std::size_t length = 0;
  if (!size(length, "record length")) return false;
  if (length > remaining()) return truncated("a " + tag + " record");
  body = bytes_.subspan(pos_, length);
  body_offset = offset_ + pos_;
  pos_ += length;
  return true;
}

bool SnapshotReader::finish() {
  if (remaining() == 0) return true;
  return fail(std::to_string(remaining()) + " unexpected byte(s) at byte " +
              std::to_string(offset_ + pos_));
}

}  // namespace zerak::snapshot
