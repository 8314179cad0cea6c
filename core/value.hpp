#pragma once

#include <bit>
#include <cstdint>
#include <optional>
#include <type_traits>

namespace zerak {

// A bar value: present (any double, NaN included) or missing. Only the Python
// edge maps NaN to missing; inside the core a present NaN stays distinct.
//
// Eight bytes, not the sixteen of std::optional<double>: missing is one NaN
// bit pattern that a present value never carries, so a column of values is a
// column of doubles (research moves half the bytes, and a kernel reads the
// doubles directly). Arithmetic cannot make that pattern from present values:
// a new NaN is the machine's default NaN, and a NaN operand passes on its own
// payload. Only a present NaN built with that exact payload would clash, and
// construction gives it the default payload instead (it stays a present NaN).
// The interface is std::optional<double>'s, which it replaced.
class Value {
 public:
  // A quiet NaN with a payload of its own.
  static constexpr std::uint64_t kMissingBits = 0x7FFA'6D69'7373'6E67;  // "missng"
  static constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;
  static constexpr std::uint64_t kPresentNaNBits = 0x7FF8'0000'0000'0000;

  constexpr Value() noexcept = default;
  constexpr Value(std::nullopt_t) noexcept {}  // NOLINT: as std::optional
  constexpr Value(double d) noexcept           // NOLINT: as std::optional
      : d_(present(d)) {}
  constexpr Value(const std::optional<double>& o) noexcept  // NOLINT
      : d_(o ? present(*o) : kMissingPattern) {}

  // A value from its bits, as bits() gave them: missing or present.
  [[nodiscard]] static constexpr Value from_bits(std::uint64_t bits) noexcept {
    Value v;
    v.d_ = std::bit_cast<double>(bits);
    return v;
  }
  // A present value from a double known not to carry the missing pattern:
  // the result of arithmetic on present values (see above).
  [[nodiscard]] static constexpr Value computed(double d) noexcept {
    Value v;
    v.d_ = d;
    return v;
  }

  [[nodiscard]] constexpr bool has_value() const noexcept { return bits() != kMissingBits; }
  constexpr explicit operator bool() const noexcept { return has_value(); }
  // The double of a present value; a missing value reads as a NaN. Writing
  // through the reference keeps the value present: store only results of
  // arithmetic (see above).
  [[nodiscard]] constexpr const double& operator*() const noexcept { return d_; }
  [[nodiscard]] constexpr double& operator*() noexcept { return d_; }
  [[nodiscard]] constexpr const double& value() const noexcept { return d_; }
  [[nodiscard]] constexpr double& value() noexcept { return d_; }
  [[nodiscard]] constexpr double value_or(double fallback) const noexcept {
    return has_value() ? **this : fallback;
  }
  [[nodiscard]] constexpr std::uint64_t bits() const noexcept {
    return std::bit_cast<std::uint64_t>(d_);
  }

  constexpr void reset() noexcept { d_ = kMissingPattern; }
  constexpr void emplace(double d) noexcept { *this = Value(d); }
  constexpr Value& operator=(std::nullopt_t) noexcept {
    d_ = kMissingPattern;
    return *this;
  }

  // std::optional<double> for the few interfaces that take one.
  constexpr operator std::optional<double>() const noexcept {  // NOLINT
    return has_value() ? std::optional<double>(**this) : std::nullopt;
  }

  // As std::optional: missing equals missing, a present value compares as
  // its double (so a present NaN equals nothing).
  friend constexpr bool operator==(Value a, Value b) noexcept {
    if (!a.has_value() || !b.has_value()) return a.has_value() == b.has_value();
    return *a == *b;
  }
  friend constexpr bool operator==(Value a, std::nullopt_t) noexcept { return !a.has_value(); }
  friend constexpr bool operator==(Value a, double b) noexcept { return a.has_value() && *a == b; }
  friend constexpr bool operator==(Value a, const std::optional<double>& b) noexcept {
    return a == Value(b);
  }

 private:
  static constexpr double kMissingPattern = std::bit_cast<double>(kMissingBits);
  static constexpr double present(double d) noexcept {
    // The missing pattern, or the signalling NaN that quiets into it.
    return (std::bit_cast<std::uint64_t>(d) | kQuietBit) == kMissingBits
               ? std::bit_cast<double>(kPresentNaNBits)
               : d;
  }

  // A double, not its bits, so that *value can be updated in place.
  double d_ = kMissingPattern;
};

inline constexpr Value kMissing{};

static_assert(sizeof(Value) == sizeof(double) && std::is_standard_layout_v<Value> &&
              std::is_trivially_copyable_v<Value>);

// The double a missing value holds (a NaN), and the test for it on a double
// read from a column: for loops that the compiler vectorises.
inline constexpr double kMissingDouble = std::bit_cast<double>(Value::kMissingBits);
[[nodiscard]] constexpr bool is_missing(double d) noexcept {
  return std::bit_cast<std::uint64_t>(d) == Value::kMissingBits;
}

// A column of values as the doubles they are (a Value is its one double).
[[nodiscard]] inline double* doubles(Value* column) noexcept {
  return reinterpret_cast<double*>(column);
}
[[nodiscard]] inline const double* doubles(const Value* column) noexcept {
  return reinterpret_cast<const double*>(column);
}
// Doubles none of which is a NaN, read as the values they are.
[[nodiscard]] inline const Value* values_of(const double* no_nan) noexcept {
  return reinterpret_cast<const Value*>(no_nan);
}

}  // namespace zerak
