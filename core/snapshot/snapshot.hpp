#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "error.hpp"

// Versioned binary snapshots of transforms, targets and pipelines: their
// configuration and their state, so that a restored object continues bit
// for bit where the saved one stood. See docs/snapshots.md.
namespace zerak::snapshot {

using Bytes = std::vector<std::uint8_t>;

// Snapshot of any transform, target or pipeline class.
template <class T>
[[nodiscard]] Bytes save(const T& object);

// Restores a snapshot of class T. Everything is checked (format, version,
// checksum, class, every length and count, the configuration through T's
// own constructor, the state against it) before the object is handed out;
// a bad snapshot is an InvalidConfig error naming what is wrong. A
// configuration too large to allocate throws std::bad_alloc or
// std::length_error, as constructing it directly would.
template <class T>
[[nodiscard]] Result<T> load(std::span<const std::uint8_t> bytes);

// The class name a well-formed snapshot holds (format, version and checksum
// checked), or the error load would give for them.
[[nodiscard]] Result<std::string> class_of(std::span<const std::uint8_t> bytes);

}  // namespace zerak::snapshot
