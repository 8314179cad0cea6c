#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace zerak {

// The core's only error type: a closed set of variants, each with a fixed
// message text. Constructors and pipelines return it; nothing in the core throws.
class ZerakError {
 public:
  struct InvalidConfig {
    std::string msg;
  };
  struct InvalidInput {
    std::string msg;
  };
  struct MissingInputColumn {
    std::vector<std::string> missing;
  };
  struct DuplicateOutputKey {
    std::string key;
    std::size_t idx_a;
    std::size_t idx_b;
  };
  struct CyclicDependency {};

  using Variant = std::variant<InvalidConfig, InvalidInput, MissingInputColumn, DuplicateOutputKey,
                               CyclicDependency>;

  template <class V>
    requires std::is_constructible_v<Variant, V&&>
  ZerakError(V&& v) : v_(std::forward<V>(v)) {}  // NOLINT: implicit from any variant

  static ZerakError invalid_config(std::string msg) { return InvalidConfig{std::move(msg)}; }
  static ZerakError invalid_input(std::string msg) { return InvalidInput{std::move(msg)}; }

  [[nodiscard]] const Variant& variant() const noexcept { return v_; }
  template <class V>
  [[nodiscard]] bool is() const noexcept {
    return std::holds_alternative<V>(v_);
  }

  // The user-facing text of the error (the Python exception's message).
  [[nodiscard]] std::string message() const;

 private:
  Variant v_;
};

// Renders names as ["a", "b"], escaping quotes, backslashes and control characters.
std::string render_list(const std::vector<std::string>& names);

// A value or one ZerakError.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}           // NOLINT
  Result(ZerakError error) : v_(std::in_place_index<1>, std::move(error)) {}  // NOLINT
  template <class V>
    requires(std::is_constructible_v<ZerakError::Variant, V> && !std::is_same_v<V, T>)
  Result(V error) : Result(ZerakError(std::move(error))) {}  // NOLINT

  [[nodiscard]] bool ok() const noexcept { return v_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  const ZerakError& error() const& { return std::get<1>(v_); }

 private:
  std::variant<T, ZerakError> v_;
};

// Result for operations that produce nothing but may fail.
struct Unit {};
using Status = Result<Unit>;
inline Status ok_status() { return Unit{}; }

// Validation sentences shared by many constructors.
namespace msg {
inline constexpr std::string_view kInputsEmpty = "inputs must not be empty";
inline constexpr std::string_view kOutputsEmpty = "outputs must not be empty";
inline constexpr std::string_view kWindowZero = "window must be non-zero";
inline constexpr std::string_view kWindowBelow2 = "window must be >= 2";
inline constexpr std::string_view kInputsExactly1 = "inputs must contain exactly 1 column";
inline constexpr std::string_view kInputsExactly2 = "inputs must contain exactly 2 columns";
inline constexpr std::string_view kOutputsExactly1 = "outputs must contain exactly 1 name";
}  // namespace msg

inline ZerakError invalid_input(std::string_view sentence) {
  return ZerakError::invalid_input(std::string(sentence));
}

}  // namespace zerak
