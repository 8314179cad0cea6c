#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "../error.hpp"
#include "../schema.hpp"
#include "reader.hpp"
#include "writer.hpp"

namespace zerak {
class FeaturePipeline;
class TargetPipeline;
}  // namespace zerak

// Codec<T> writes T's configuration then its state, and reads them back: the
// configuration goes through T::create (which checks it again) and the state
// is then loaded into the new object. Every transform and target class gets
// its codec from its declarations (schema.hpp); only the pipelines, which
// hold other objects, write theirs by hand.
namespace zerak::snapshot {

namespace field {

// ---- configuration: one parameter --------------------------------------------

template <auto Get, class T>
void write(SnapshotWriter& w, const schema::NamesParam<Get>&, const T& t) {
  w.names(std::invoke(Get, t));
}
template <auto Get, class T>
void write(SnapshotWriter& w, const schema::SizeParam<Get>&, const T& t) {
  w.size(std::invoke(Get, t));
}
template <auto Get, class T>
void write(SnapshotWriter& w, const schema::OptionalSizeParam<Get>&, const T& t) {
  w.optional_size(std::invoke(Get, t));
}
template <auto Get, class T>
void write(SnapshotWriter& w, const schema::ResolvedSizeParam<Get>&, const T& t) {
  w.size(std::invoke(Get, t));
}
template <auto Get, class T>
void write(SnapshotWriter& w, const schema::FlagParam<Get>&, const T& t) {
  w.boolean(std::invoke(Get, t));
}
template <auto Get, class T>
void write(SnapshotWriter& w, const schema::RealParam<Get>&, const T& t) {
  w.f64(std::invoke(Get, t));
}
template <auto Get, class E, class T>
void write(SnapshotWriter& w, const schema::ChoiceParam<Get, E>&, const T& t) {
  w.u8(static_cast<std::uint8_t>(std::invoke(Get, t)));
}

// What a snapshot holds for a parameter, as handed to create.
template <class P>
struct Stored;
template <auto Get>
struct Stored<schema::NamesParam<Get>> : std::type_identity<Names> {};
template <auto Get>
struct Stored<schema::SizeParam<Get>> : std::type_identity<std::size_t> {};
template <auto Get>
struct Stored<schema::OptionalSizeParam<Get>> : std::type_identity<std::optional<std::size_t>> {};
template <auto Get>
struct Stored<schema::ResolvedSizeParam<Get>> : std::type_identity<std::size_t> {};
template <auto Get>
struct Stored<schema::FlagParam<Get>> : std::type_identity<bool> {};
template <auto Get>
struct Stored<schema::RealParam<Get>> : std::type_identity<double> {};
template <auto Get, class E>
struct Stored<schema::ChoiceParam<Get, E>> : std::type_identity<E> {};

template <auto Get>
bool read(SnapshotReader& r, const schema::NamesParam<Get>& p, Names& out) {
  return r.names(out, p.name);
}
template <auto Get>
bool read(SnapshotReader& r, const schema::SizeParam<Get>& p, std::size_t& out) {
  return r.size(out, p.name);
}
template <auto Get>
bool read(SnapshotReader& r, const schema::OptionalSizeParam<Get>& p,
          std::optional<std::size_t>& out) {
  return r.optional_size(out, p.name);
}
template <auto Get>
bool read(SnapshotReader& r, const schema::ResolvedSizeParam<Get>& p, std::size_t& out) {
  return r.size(out, p.name);
}
template <auto Get>
bool read(SnapshotReader& r, const schema::FlagParam<Get>& p, bool& out) {
  return r.boolean(out, p.name);
}
template <auto Get>
bool read(SnapshotReader& r, const schema::RealParam<Get>& p, double& out) {
  return r.f64(out, p.name);
}
// Enumerations travel as their one-byte codes; unknown codes are refused.
template <auto Get, class E>
bool read(SnapshotReader& r, const schema::ChoiceParam<Get, E>& p, E& out) {
  std::uint8_t code = 0;
  if (!r.u8(code, p.name)) return false;
  if (code >= p.choices.size()) {
    return r.fail("unknown " + std::string(p.what) + " " + std::to_string(code));
  }
  out = static_cast<E>(code);
  return true;
}

// ---- state: one member ------------------------------------------------------

template <auto Member, class T>
void write(SnapshotWriter& w, const schema::RingState<Member>&, const T& t) {
  w.ring(t.*Member);
}
template <auto Member, class T>
void write(SnapshotWriter& w, const schema::ValueState<Member>&, const T& t) {
  w.value(t.*Member);
}
template <auto Member, class T>
void write(SnapshotWriter& w, const schema::PairRingState<Member>&, const T& t) {
  const auto& pairs = t.*Member;
  w.size(pairs.size());
  w.values(2 * pairs.size(), [&pairs](std::size_t i) -> const Value& {
    return i % 2 == 0 ? pairs[i / 2].x : pairs[i / 2].y;
  });
}

template <auto Member, class T>
bool read(SnapshotReader& r, const schema::RingState<Member>& s, T& t) {
  return r.ring(t.*Member, s.label);
}
template <auto Member, class T>
bool read(SnapshotReader& r, const schema::ValueState<Member>& s, T& t) {
  return r.value(t.*Member, s.label);
}
template <auto Member, class T>
bool read(SnapshotReader& r, const schema::PairRingState<Member>& s, T& t) {
  auto& pairs = t.*Member;
  std::size_t n = 0;
  if (!r.size(n, s.label)) return false;
  if (n > pairs.capacity()) {
    return r.fail(std::string(s.label) + " holds " + std::to_string(n) +
                  " pairs, more than its capacity " + std::to_string(pairs.capacity()));
  }
  pairs.clear();
  Value x;
  // n is at most the capacity of an allocated ring: 2 * n cannot overflow.
  return r.values(
      2 * n,
      [&](std::size_t i, const Value& v) {
        if (i % 2 == 0) {
          x = v;
        } else {
          pairs.push({x, v});
        }
      },
      s.label);
}

}  // namespace field

// The class's constructor refused the configuration.
inline ZerakError refused(SnapshotReader& r, const ZerakError& error) {
  r.rejected(error);
  return r.error();
}

template <class T>
struct Codec {
  static void save(const T& t, SnapshotWriter& w) {
    schema::for_each(T::parameters(), [&](const auto& p) { field::write(w, p, t); });
    schema::for_each(schema::state_of<T>(), [&](const auto& s) { field::write(w, s, t); });
  }

  static Result<T> load(SnapshotReader& r) {
    constexpr auto params = T::parameters();
    auto config = stored_config(params);
    const bool read = std::apply(
        [&](auto&... value) {
          return std::apply(
              [&](const auto&... p) { return (field::read(r, p, value) && ...); }, params);
        },
        config);
    if (!read) return r.error();
    Result<T> built = std::apply(
        [](auto&&... value) { return T::create(std::move(value)...); }, std::move(config));
    if (!built) return refused(r, built.error());
    T& t = built.value();
    if (!schema::all_of(schema::state_of<T>(), [&](const auto& s) { return field::read(r, s, t); })) {
      return r.error();
    }
    if constexpr (requires { t.restored_problem(); }) {
      if (const char* problem = t.restored_problem()) {
        r.fail(problem);
        return r.error();
      }
    }
    // Structures derived from the windows (sorted values, rank counts, bin
    // counts) are rebuilt from the restored windows.
    if constexpr (requires { t.rebuild_from_window(); }) t.rebuild_from_window();
    return built;
  }

 private:
  template <class... P>
  static auto stored_config(const std::tuple<P...>&) {
    return std::tuple<typename field::Stored<P>::type...>{};
  }
};

template <>
struct Codec<FeaturePipeline> {
  static void save(const FeaturePipeline& p, SnapshotWriter& w);
  static Result<FeaturePipeline> load(SnapshotReader& r);
};

template <>
struct Codec<TargetPipeline> {
  static void save(const TargetPipeline& p, SnapshotWriter& w);
  static Result<TargetPipeline> load(SnapshotReader& r);
};

}  // namespace zerak::snapshot
