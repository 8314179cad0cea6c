#pragma once

#include <memory>
#include <string_view>

#include "error.hpp"
#include "traits.hpp"
#include "reader.hpp"
#include "writer.hpp"

namespace zerak::snapshot {

// Records of transforms and targets held behind their abstract classes (the
// pipelines' members): the record's class tag picks the codec.

// Writes `t` as a record; false for a class without a codec.
[[nodiscard]] bool save_record(const StreamingTransform& t, SnapshotWriter& w);
[[nodiscard]] bool save_record(const Target& t, SnapshotWriter& w);

// Reads the next record of `r` as a transform (or target).
[[nodiscard]] Result<std::unique_ptr<StreamingTransform>> load_transform_record(SnapshotReader& r);
[[nodiscard]] Result<std::unique_ptr<Target>> load_target_record(SnapshotReader& r);

// Class T's record behind its abstract class `Base`, instantiated by T's
// family (families/): save_record_as is false for an object of another class.
template <class Base, class T>
[[nodiscard]] bool save_record_as(const Base& object, SnapshotWriter& w);
template <class Base, class T>
[[nodiscard]] Result<std::unique_ptr<Base>> load_record_as(std::span<const std::uint8_t> body,
                                                           std::size_t offset);

}  // namespace zerak::snapshot
