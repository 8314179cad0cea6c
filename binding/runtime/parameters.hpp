#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "binding.hpp"
#include "error.hpp"
#include "traits.hpp"

// Declarative constructor parameters: each class lists its parameters with a
// kind (which conversion applies) and an optional default. The text
// signature, the binding and the conversions all derive from that list.
namespace zerak::py {

enum class ParamKind { Names, UInt, OptUInt, Bool, Float, OptFloat, Str };

struct Required {};
struct NoneDefault {};
using ParamDefault = std::variant<Required, NoneDefault, bool, std::uint64_t, double, const char*>;

struct Param {
  const char* name;
  ParamKind kind;
  ParamDefault default_value = Required{};

  [[nodiscard]] bool required() const noexcept {
    return std::holds_alternative<Required>(default_value);
  }
};

inline Param names_param(const char* name) { return {name, ParamKind::Names}; }
inline Param uint_param(const char* name) { return {name, ParamKind::UInt}; }
inline Param uint_param(const char* name, std::uint64_t def) {
  return {name, ParamKind::UInt, def};
}
inline Param opt_uint_param(const char* name) { return {name, ParamKind::OptUInt, NoneDefault{}}; }
inline Param bool_param(const char* name, bool def) { return {name, ParamKind::Bool, def}; }
inline Param float_param(const char* name) { return {name, ParamKind::Float}; }
inline Param float_param(const char* name, double def) { return {name, ParamKind::Float, def}; }
inline Param opt_float_param(const char* name) {
  return {name, ParamKind::OptFloat, NoneDefault{}};
}
inline Param str_param(const char* name, const char* def) { return {name, ParamKind::Str, def}; }

// "(inputs, window, outputs, fast=2, slow=30)"
std::string text_signature(const std::vector<Param>& params);

// The binding signature of a callable named `function` ("Sma.__new__()").
CallSignature call_signature(std::string function, const std::vector<Param>& params);

// Converted constructor arguments, read by position with the accessor of
// the parameter's kind.
class Args {
 public:
  using Slot = std::variant<std::monostate, Names, std::uint64_t, std::optional<std::uint64_t>,
                            bool, double, std::optional<double>, std::string>;

  // Converts the bound arguments (nullptr = default) in parameter order;
  // false with the exception set, TypeErrors naming their argument.
  bool convert(const std::vector<Param>& params, PyObject* const* bound);

  Names names(std::size_t i) { return std::move(std::get<Names>(slots_[i])); }
  [[nodiscard]] std::uint64_t uint(std::size_t i) const {
    return std::get<std::uint64_t>(slots_[i]);
  }
  [[nodiscard]] std::optional<std::uint64_t> opt_uint(std::size_t i) const {
    return std::get<std::optional<std::uint64_t>>(slots_[i]);
  }
  [[nodiscard]] bool boolean(std::size_t i) const { return std::get<bool>(slots_[i]); }
  [[nodiscard]] double real(std::size_t i) const { return std::get<double>(slots_[i]); }
  [[nodiscard]] std::optional<double> opt_real(std::size_t i) const {
    return std::get<std::optional<double>>(slots_[i]);
  }
  [[nodiscard]] const std::string& str(std::size_t i) const {
    return std::get<std::string>(slots_[i]);
  }

 private:
  std::vector<Slot> slots_;
};

// Raises MemoryError for a constructor whose buffers could not be allocated,
// saying what: "cannot allocate a window of N values" when the class has a
// window or periods (plus its lag, if any), followed by " with a workspace of N x L
// values" when it also has lags, else "cannot allocate {class_name}".
// Returns nullptr.
PyObject* raise_allocation_failure(const char* class_name, const std::vector<Param>& params,
                                   const Args& args);

// Builds the inside of a repr: `name=value` fields joined by ", ".
class ReprFields {
 public:
  ReprFields& names(const char* name, const Names& value);
  ReprFields& uint(const char* name, std::uint64_t value);
  ReprFields& real(const char* name, double value);                // Python's float repr
  ReprFields& quoted(const char* name, const std::string& value);  // name="value"
  ReprFields& raw(const char* name, const std::string& text);      // name=text

  [[nodiscard]] const std::string& text() const noexcept { return text_; }

 private:
  void start(const char* name);
  std::string text_;
};

}  // namespace zerak::py
