#pragma once

// The snapshot functions' definitions, for the units that instantiate them
// for a family's classes (core/snapshot/families/): each such unit includes
// its family list and this header, and applies one macro below to the list.
// Nothing else includes it, so no other unit compiles a class's codec.
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <typeinfo>
#include <utility>

#include "class_name.hpp"
#include "snapshot/codec.hpp"
#include "snapshot/registry.hpp"
#include "snapshot/snapshot.hpp"

namespace zerak::snapshot {

namespace detail {

// A whole snapshot's record, once its frame (magic, version, checksum) is checked.
struct Envelope {
  std::string tag;
  std::span<const std::uint8_t> body;
  std::size_t offset = 0;
};

// snapshot.cpp: the frame around one record, and its checks.
std::size_t begin_snapshot(SnapshotWriter& w, std::string_view tag);
Bytes end_snapshot(SnapshotWriter&& w, std::size_t record);
Result<Envelope> open_snapshot(std::span<const std::uint8_t> bytes);
ZerakError holds_another_class(const std::string& held, std::string_view wanted);

}  // namespace detail

// Runs Codec<T>::load over one record body and requires it fully read.
template <class T>
Result<T> load_body(std::string_view tag, std::span<const std::uint8_t> body, std::size_t offset) {
  SnapshotReader r(body, offset, tag);
  Result<T> loaded = Codec<T>::load(r);
  if (loaded && !r.finish()) return r.error();
  return loaded;
}

template <class T>
Bytes save(const T& object) {
  SnapshotWriter w;
  const std::size_t record = detail::begin_snapshot(w, kClassName<T>);
  Codec<T>::save(object, w);
  return detail::end_snapshot(std::move(w), record);
}

template <class T>
Result<T> load(std::span<const std::uint8_t> bytes) {
  Result<detail::Envelope> e = detail::open_snapshot(bytes);
  if (!e) return e.error();
  if (e.value().tag != kClassName<T>) {
    return detail::holds_another_class(e.value().tag, kClassName<T>);
  }
  return load_body<T>(kClassName<T>, e.value().body, e.value().offset);
}

template <class Base, class T>
bool save_record_as(const Base& object, SnapshotWriter& w) {
  if (typeid(object) != typeid(T)) return false;
  const std::size_t at = w.begin_record(kClassName<T>);
  Codec<T>::save(static_cast<const T&>(object), w);
  w.end_record(at);
  return true;
}

template <class Base, class T>
Result<std::unique_ptr<Base>> load_record_as(std::span<const std::uint8_t> body,
                                             std::size_t offset) {
  Result<T> loaded = load_body<T>(kClassName<T>, body, offset);
  if (!loaded) return loaded.error();
  return std::unique_ptr<Base>(std::make_unique<T>(std::move(loaded).value()));
}

}  // namespace zerak::snapshot

// Applied, in namespace zerak::snapshot, to a family's list: a pipeline's
// snapshots; a transform's or target's, and its record as a pipeline member.
#define ZERAK_SNAPSHOTS(Class)              \
  template Bytes save<Class>(const Class&); \
  template Result<Class> load<Class>(std::span<const std::uint8_t>);
#define ZERAK_MEMBER_SNAPSHOTS(Base, Class)                                \
  ZERAK_SNAPSHOTS(Class)                                                   \
  template bool save_record_as<Base, Class>(const Base&, SnapshotWriter&); \
  template Result<std::unique_ptr<Base>> load_record_as<Base, Class>(      \
      std::span<const std::uint8_t>, std::size_t);
#define ZERAK_TRANSFORM_SNAPSHOTS(Class) ZERAK_MEMBER_SNAPSHOTS(StreamingTransform, Class)
#define ZERAK_TARGET_SNAPSHOTS(Class) ZERAK_MEMBER_SNAPSHOTS(Target, Class)
