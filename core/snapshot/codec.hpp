#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "error.hpp"
#include "schema.hpp"
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

template <class V>
void write_value(SnapshotWriter& w, const V& value) {
  if constexpr (std::is_same_v<V, Names>) {
    w.names(value);
  } else if constexpr (std::is_same_v<V, std::optional<std::size_t>>) {
    w.optional_size(value);
  } else if constexpr (std::is_same_v<V, bool>) {
    w.boolean(value);
  } else if constexpr (std::is_same_v<V, double>) {
    w.f64(value);
  } else if constexpr (std::is_same_v<V, std::optional<double>> || std::is_same_v<V, Value>) {
    w.value(Value(value));  // a real or None
  } else if constexpr (std::is_enum_v<V>) {
    w.u8(static_cast<std::uint8_t>(value));  // a choice, as its one-byte code
  } else {
    w.size(value);
  }
}

template <class P, class T>
void write(SnapshotWriter& w, const P&, const T& t) {
  write_value(w, std::invoke(P::kGet, t));
}

template <class P, class V>
bool read(SnapshotReader& r, const P& p, V& out) {
  if constexpr (std::is_same_v<V, Names>) {
    return r.names(out, p.name);
  } else if constexpr (std::is_same_v<V, std::optional<std::size_t>>) {
    return r.optional_size(out, p.name);
  } else if constexpr (std::is_same_v<V, bool>) {
    return r.boolean(out, p.name);
  } else if constexpr (std::is_same_v<V, double>) {
    return r.f64(out, p.name);
  } else if constexpr (std::is_same_v<V, Value>) {
    return r.value(out, p.name);
  } else if constexpr (std::is_same_v<V, std::optional<double>>) {
    Value read;
    if (!r.value(read, p.name)) return false;
    out = read;
    return true;
  } else if constexpr (std::is_enum_v<V>) {
    // Unknown codes are refused.
    std::uint8_t code = 0;
    if (!r.u8(code, p.name)) return false;
    if (code >= p.choices.size()) {
      return r.fail("unknown " + std::string(p.what) + " " + std::to_string(code));
    }
    out = static_cast<V>(code);
    return true;
  } else {
    return r.size(out, p.name);
  }
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

// Named apart: the parameters' templates above would match them better than
// their base's overloads.
template <auto Member, class T>
void write(SnapshotWriter& w, const schema::AppendedValueState<Member>&, const T& t) {
  w.value(t.*Member);
}
template <auto Member, class T>
bool read(SnapshotReader& r, const schema::AppendedValueState<Member>& s, T& t) {
  return r.value(t.*Member, s.label);
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
  // The configuration, then the state, then the fields appended since the
  // class's first snapshots (schema.hpp), so that older snapshots, which end
  // before them, still read.
  static void save(const T& t, SnapshotWriter& w) {
    const auto write_if = [&](bool appended) {
      return [&w, &t, appended](const auto& f) {
        if (schema::appended(f) == appended) field::write(w, f, t);
      };
    };
    schema::for_each(T::parameters(), write_if(false));
    schema::for_each(schema::state_of<T>(), write_if(false));
    schema::for_each(T::parameters(), write_if(true));
    schema::for_each(schema::state_of<T>(), write_if(true));
  }

  static Result<T> load(SnapshotReader& r) {
    constexpr auto params = T::parameters();
    constexpr auto state = schema::state_of<T>();
    auto config = stored_config(params);
    // Appended parameters hold their defaults until read.
    const auto read_config = [&](bool appended) {
      return std::apply(
          [&](auto&... value) {
            return std::apply(
                [&](const auto&... p) {
                  return ((schema::appended(p) != appended ? (default_to(p, value), true)
                                                           : field::read(r, p, value)) &&
                          ...);
                },
                params);
          },
          config);
    };
    const auto build = [&]() {
      return std::apply([](auto... value) { return T::create(std::move(value)...); }, config);
    };
    const auto read_state = [&](T& t, bool appended) {
      return schema::all_of(state, [&](const auto& s) {
        return schema::appended(s) != appended || field::read(r, s, t);
      });
    };
    if (!read_config(false)) return r.error();
    Result<T> built = build();
    if (!built) return refused(r, built.error());
    if (!read_state(built.value(), false)) return r.error();
    if constexpr (has_appended(params)) {
      if (r.remaining() != 0) {
        if (!read_config(true)) return r.error();
        // Built again with the appended parameters; the state moves across.
        Result<T> full = build();
        if (!full) return refused(r, full.error());
        schema::for_each(state, [&](const auto& s) { move_state(s, built.value(), full.value()); });
        return restored(r, std::move(full), read_state);
      }
    }
    return restored(r, std::move(built), read_state);
  }

 private:
  // The appended state when the snapshot has it, then the checks and the
  // derived structures.
  template <class ReadState>
  static Result<T> restored(SnapshotReader& r, Result<T> built, const ReadState& read_state) {
    T& t = built.value();
    if (r.remaining() != 0 && !read_state(t, true)) return r.error();
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

  template <class P>
  using Accessed = std::remove_cvref_t<decltype(std::invoke(P::kGet, std::declval<const T&>()))>;

  // Each parameter as its accessor returns it (a resolved count for one that
  // None may stand for).
  template <class... P>
  static auto stored_config(const std::tuple<P...>&) {
    return std::tuple<Accessed<P>...>{};
  }

  template <class P, class V>
  static void default_to(const P& p, V& value) {
    if constexpr (requires { value = p.fallback; }) {
      if (schema::appended(p)) value = p.fallback;
    }
  }

  template <class... P>
  static constexpr bool has_appended(const std::tuple<P...>& params) {
    return std::apply([](const auto&... p) { return (schema::appended(p) || ...); }, params);
  }

  template <class S>
  static void move_state(const S&, T& from, T& to) {
    if constexpr (!schema::appended(S{})) {
      constexpr auto member = member_of(S{});
      to.*member = std::move(from.*member);
    }
  }
  template <template <auto> class S, auto Member>
  static constexpr auto member_of(const S<Member>&) {
    return Member;
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
