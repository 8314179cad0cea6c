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

// Runs Codec<T>::load over one record body and requires it fully read.
template <class T>
[[nodiscard]] Result<T> load_body(std::string_view tag, std::span<const std::uint8_t> body,
                                  std::size_t offset);

}  // namespace zerak::snapshot
