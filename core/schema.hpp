#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <tuple>
#include <utility>

// What a class declares about itself, once: its constructor parameters in
// order, the state its snapshots carry, and the texts its users read. The
// Python binding (arguments, text signature, repr), the snapshot codec and
// the stubs all follow from these declarations, so a class states its
// configuration in one place.
//
// A class declares
//   static constexpr auto parameters() { return std::tuple{...}; }  // create's order
//   static constexpr auto state() { return std::tuple{...}; }       // after the configuration
//   static constexpr Docs kDocs{...};
// and optionally `const char* restored_problem() const` (a restored state that
// cannot occur, or nullptr) and `void rebuild_from_window()`.
namespace zerak::schema {

// Whether a parameter is printed in the object's repr (WhenChanged: only
// when it differs from its default).
enum class Repr : std::uint8_t { Shown, Hidden, WhenChanged };

inline constexpr const char* kUpdateDoc =
    "Process one bar. Returns ``[NaN]`` during warm-up or on ``NaN`` input.";
inline constexpr const char* kResetDoc = "Reset internal state (e.g. between CPCV splits).";
inline constexpr const char* kResetOperatorDoc = "Reset (no-op for stateless operators).";
inline constexpr const char* kResetScalerDoc = "Reset (no-op for stateless scalers).";
inline constexpr const char* kOutputNamesDoc = "Output column names.";

// The docstrings of the class and of the methods whose text differs by class.
struct Docs {
  const char* summary;
  const char* update = kUpdateDoc;
  const char* reset = kResetDoc;
  const char* output_names = kOutputNamesDoc;  // targets
};

// The docstrings of a stateless operator.
constexpr Docs operator_docs(const char* summary, const char* update) {
  return {.summary = summary, .update = update, .reset = kResetOperatorDoc};
}

// ---- constructor parameters -------------------------------------------------
// `Get` reads the parameter back from a built object (for repr and snapshots).

template <auto Get>
struct Param {
  static constexpr auto kGet = Get;
  const char* name;
};

// Column names (`inputs`, `outputs`).
template <auto Get>
struct NamesParam : Param<Get> {
  Repr repr = Repr::Shown;
};

// A count such as a window or a lag, with an optional default.
template <auto Get>
struct SizeParam : Param<Get> {
  std::optional<std::uint64_t> fallback = std::nullopt;
  Repr repr = Repr::Shown;
};

// A count that may be None (the class then chooses); kept as given.
template <auto Get>
struct OptionalSizeParam : Param<Get> {
  Repr repr = Repr::Shown;
};

// A count that may be None, which the class resolves when it is built; the
// resolved count is what a snapshot keeps.
template <auto Get>
struct ResolvedSizeParam : Param<Get> {
  Repr repr = Repr::Hidden;
};

template <auto Get>
struct FlagParam : Param<Get> {
  bool fallback;
  Repr repr = Repr::Shown;
};

// A flag added to a class after its first snapshots: snapshots carry it
// after the state, and one without it (an older one) reads as the default.
// The repr shows it only when it is set.
template <auto Get>
struct AppendedFlagParam : FlagParam<Get> {
  static constexpr bool kAppended = true;
  constexpr AppendedFlagParam(const char* name, bool fallback)
      : FlagParam<Get>{{name}, fallback, Repr::WhenChanged} {}
};

// A real number, with an optional default.
template <auto Get>
struct RealParam : Param<Get> {
  std::optional<double> fallback = std::nullopt;
  Repr repr = Repr::Hidden;
};

// A real number that may be None (no value: e.g. an unbounded side); read
// back as a Value, None being missing. Defaults to None.
template <auto Get>
struct OptionalRealParam : Param<Get> {
  Repr repr = Repr::Shown;
};

// One of a fixed set of names, held by the class as the enumeration E whose
// codes are the names' positions.
template <auto Get, class E>
struct ChoiceParam : Param<Get> {
  std::span<const std::string_view> choices;
  E fallback;
  const char* what;  // for an unknown code in a snapshot: "unknown {what} 3"
  Repr repr = Repr::Shown;
};

// The parameters most classes begin or end with.
template <class T>
constexpr NamesParam<&T::inputs> inputs_param{"inputs"};
template <class T>
constexpr NamesParam<&T::outputs> outputs_param{"outputs"};

// (inputs, window, outputs)
template <class T>
constexpr auto window_parameters() {
  return std::tuple{inputs_param<T>, SizeParam<&T::window>{"window"}, outputs_param<T>};
}

// ---- state ------------------------------------------------------------------
// `Member` points at the data member that holds the state.

// A ring of values, oldest first.
template <auto Member>
struct RingState {
  const char* label;
};

// One value, present or missing.
template <auto Member>
struct ValueState {
  const char* label;
};

// A value added to a class's state after its first snapshots: written
// after the rest, and left as the class initialised it when a snapshot
// lacks it.
template <auto Member>
struct AppendedValueState : ValueState<Member> {
  static constexpr bool kAppended = true;
};

// Whether a field is one of the appended kinds above.
template <class F>
constexpr bool appended(const F&) {
  return requires { F::kAppended; };
}

// A ring of (x, y) pairs, saved as one sequence x0, y0, x1, y1, ...
template <auto Member>
struct PairRingState {
  const char* label;
};

// ---- walking a declaration ---------------------------------------------------

template <class Tuple, class F>
constexpr void for_each(const Tuple& tuple, F&& f) {
  std::apply([&f](const auto&... field) { (f(field), ...); }, tuple);
}

// Like for_each, stopping at the first field for which f returns false.
template <class Tuple, class F>
constexpr bool all_of(const Tuple& tuple, F&& f) {
  return std::apply([&f](const auto&... field) { return (f(field) && ...); }, tuple);
}

template <class T>
constexpr auto state_of() {
  if constexpr (requires { T::state(); }) {
    return T::state();
  } else {
    return std::tuple{};
  }
}

}  // namespace zerak::schema
