#include <cstring>

#include "format.hpp"

namespace zerak::snapshot {
namespace {

std::uint64_t load_le64(const std::uint8_t* p) noexcept {
  std::uint64_t w = 0;
  for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
  return w;
}

}  // namespace

std::uint64_t checksum(std::span<const std::uint8_t> bytes) noexcept {
  constexpr std::uint64_t kPrime = 0x100000001b3ULL;
  std::uint64_t h = 0xcbf29ce484222325ULL;
  const auto step = [&h](std::uint64_t w) {
    h = (h ^ w) * kPrime;
    h ^= h >> 32;
  };
  const std::size_t whole = bytes.size() / 8 * 8;
  for (std::size_t i = 0; i < whole; i += 8) step(load_le64(bytes.data() + i));
  std::uint8_t tail[8] = {};
  if (bytes.size() > whole) std::memcpy(tail, bytes.data() + whole, bytes.size() - whole);
  step(load_le64(tail));
  return h ^ static_cast<std::uint64_t>(bytes.size());
}

}  // namespace zerak::snapshot
