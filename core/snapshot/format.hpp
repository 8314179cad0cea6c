#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zerak::snapshot {

// A snapshot: magic, format version, one record (class tag, body), checksum.
// docs/snapshots.md describes the layout byte by byte.
inline constexpr std::uint8_t kMagic[4] = {'Z', 'R', 'K', 'S'};
inline constexpr std::uint16_t kFormatVersion = 1;
inline constexpr std::size_t kMaxTagLength = 64;
// magic, version, tag length, one tag byte, body length, checksum
inline constexpr std::size_t kMinSnapshotSize = 4 + 2 + 1 + 1 + 8 + 8;

// 64-bit checksum of `bytes`, word by word (little-endian, the last word
// zero-padded), every step a bijection of the running value so that any
// single changed word changes the result.
[[nodiscard]] std::uint64_t checksum(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace zerak::snapshot
