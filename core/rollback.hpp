#pragma once

#include <tuple>
#include <type_traits>
#include <utility>

#include "schema.hpp"
#include "window/ring.hpp"

// Undoing one update from what a class declares in state(): a tentative
// update (a pipeline's peek at the forming bar) costs the update plus the
// slots it overwrote, not a copy of the windows. A class whose state holds
// other kinds of field, or derived structures (rebuild_from_window), is not
// covered: its peek copies the transform, or the class undoes by itself.
namespace zerak::rollback {

// Puts one member back as it was at construction, once armed.
template <class V>
class ValueUndo {
 public:
  explicit ValueUndo(V& member) : member_(&member), saved_(member) {}
  ValueUndo(ValueUndo&& other) noexcept(std::is_nothrow_move_constructible_v<V>)
      : member_(other.member_), saved_(std::move(other.saved_)) {}
  ValueUndo(const ValueUndo&) = delete;
  ValueUndo& operator=(const ValueUndo&) = delete;
  ValueUndo& operator=(ValueUndo&&) = delete;
  ~ValueUndo() {
    if (armed_) *member_ = std::move(saved_);
  }
  void arm() noexcept { armed_ = true; }

 private:
  V* member_;
  V saved_;
  bool armed_ = false;
};

template <class D, auto Member>
auto undo_of(D& d, const schema::RingState<Member>&) {
  return RingUndo(d.*Member);
}
template <class D, auto Member>
auto undo_of(D& d, const schema::PairRingState<Member>&) {
  return RingUndo(d.*Member);
}
template <class D, auto Member>
auto undo_of(D& d, const schema::ValueState<Member>&) {
  return ValueUndo(d.*Member);
}

template <class D, class Field>
concept Undoable = requires(D& d, const Field& f) { undo_of(d, f); };

template <class D, class Tuple>
struct AllUndoable;
template <class D, class... Fields>
struct AllUndoable<D, std::tuple<Fields...>> : std::bool_constant<(Undoable<D, Fields> && ...)> {};

// Whether undoing D's declared state undoes all of an update.
template <class D>
inline constexpr bool kCovers = !requires(D& d) {
  d.rebuild_from_window();
} && AllUndoable<D, std::remove_cvref_t<decltype(schema::state_of<D>())>>::value;

// The undo of every declared field, not yet armed (an armed undo must not move).
template <class D>
auto undo_all(D& d) {
  return std::apply(
      [&d](const auto&... field) {
        return std::tuple<decltype(undo_of(d, field))...>(undo_of(d, field)...);
      },
      schema::state_of<D>());
}

// Arms them: from now on, destroying them restores the fields.
template <class Tuple>
void arm(Tuple& undo) noexcept {
  std::apply([](auto&... u) { (u.arm(), ...); }, undo);
}

}  // namespace zerak::rollback
