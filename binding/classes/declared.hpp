#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "class_name.hpp"
#include "classes/factories.hpp"
#include "classes/target_class.hpp"
#include "classes/transform_class.hpp"
#include "schema.hpp"

// A class's Python surface read off its core declarations (schema.hpp): the
// constructor's parameters and their conversions, the repr, the docstrings.
// No class has binding code of its own: each family's unit
// (binding/families/) instantiates the factories below for its list.
namespace zerak::py::declared {

// ---- the parameter list -------------------------------------------------------

template <auto G>
Param param(const schema::NamesParam<G>& p) {
  return names_param(p.name);
}
template <auto G>
Param param(const schema::SizeParam<G>& p) {
  return p.fallback ? uint_param(p.name, *p.fallback) : uint_param(p.name);
}
template <auto G>
Param param(const schema::OptionalSizeParam<G>& p) {
  return opt_uint_param(p.name);
}
template <auto G>
Param param(const schema::ResolvedSizeParam<G>& p) {
  return opt_uint_param(p.name);
}
template <auto G>
Param param(const schema::FlagParam<G>& p) {
  return bool_param(p.name, p.fallback);
}
template <auto G>
Param param(const schema::RealParam<G>& p) {
  return p.fallback ? float_param(p.name, *p.fallback) : float_param(p.name);
}
template <auto G>
Param param(const schema::OptionalRealParam<G>& p) {
  return opt_float_param(p.name);
}
template <auto G, class E>
Param param(const schema::ChoiceParam<G, E>& p) {
  return str_param(p.name, p.choices[static_cast<std::size_t>(p.fallback)].data());
}

template <class Core>
std::vector<Param> params() {
  std::vector<Param> out;
  schema::for_each(Core::parameters(), [&out](const auto& p) { out.push_back(param(p)); });
  return out;
}

// ---- converted arguments, as create takes them ---------------------------------

template <auto G>
Names arg(const schema::NamesParam<G>&, Args& a, std::size_t i) {
  return a.names(i);
}
template <auto G>
std::size_t arg(const schema::SizeParam<G>&, Args& a, std::size_t i) {
  return a.uint(i);
}
template <auto G>
std::optional<std::size_t> arg(const schema::OptionalSizeParam<G>&, Args& a, std::size_t i) {
  return a.opt_uint(i);
}
template <auto G>
std::optional<std::size_t> arg(const schema::ResolvedSizeParam<G>&, Args& a, std::size_t i) {
  return a.opt_uint(i);
}
template <auto G>
bool arg(const schema::FlagParam<G>&, Args& a, std::size_t i) {
  return a.boolean(i);
}
template <auto G>
double arg(const schema::RealParam<G>&, Args& a, std::size_t i) {
  return a.real(i);
}
template <auto G>
std::optional<double> arg(const schema::OptionalRealParam<G>&, Args& a, std::size_t i) {
  return a.opt_real(i);
}
// Only called once choice_error found the name among the choices.
template <auto G, class E>
E arg(const schema::ChoiceParam<G, E>& p, Args& a, std::size_t i) {
  std::size_t code = 0;
  while (p.choices[code] != a.str(i)) ++code;
  return static_cast<E>(code);
}

// "'a' or 'b'", "'a', 'b', or 'c'"
inline std::string render_choices(std::span<const std::string_view> choices) {
  std::string out;
  for (std::size_t k = 0; k < choices.size(); ++k) {
    if (k > 0) out += choices.size() > 2 ? ", " : " ";
    if (k > 0 && k + 1 == choices.size()) out += "or ";
    out += '\'';
    out += choices[k];
    out += '\'';
  }
  return out;
}

// A choice parameter's string is the binding's to parse, before any check of
// the class: "method must be 'pearson', 'spearman', or 'kendall', got 'x'".
template <class P>
std::optional<ZerakError> choice_error(const P&, const Args&, std::size_t) {
  return std::nullopt;
}
template <auto G, class E>
std::optional<ZerakError> choice_error(const schema::ChoiceParam<G, E>& p, const Args& a,
                                       std::size_t i) {
  for (const std::string_view choice : p.choices) {
    if (choice == a.str(i)) return std::nullopt;
  }
  return ZerakError::invalid_config(std::string(p.name) + " must be " + render_choices(p.choices) +
                                    ", got '" + a.str(i) + "'");
}

template <class Core>
Result<Core> create(Args& a) {
  constexpr auto ps = Core::parameters();
  return [&]<std::size_t... I>(std::index_sequence<I...>) -> Result<Core> {
    std::optional<ZerakError> error;
    ((error = error ? error : choice_error(std::get<I>(ps), a, I)), ...);
    if (error) return *error;
    // A braced list converts the arguments in parameter order.
    auto values = std::tuple{arg(std::get<I>(ps), a, I)...};
    return std::apply([](auto&&... v) { return Core::create(std::move(v)...); }, std::move(values));
  }(std::make_index_sequence<std::tuple_size_v<decltype(ps)>>{});
}

// ---- repr ------------------------------------------------------------------------

template <class P, class Core>
void show(const P& p, const Core& c, ReprFields& f) {
  if (p.repr == schema::Repr::Hidden) return;
  decltype(auto) value = std::invoke(P::kGet, c);  // the names by reference
  using V = std::remove_cvref_t<decltype(value)>;
  if constexpr (requires { p.fallback == value; }) {
    if (p.repr == schema::Repr::WhenChanged && p.fallback == value) return;
  }
  if constexpr (std::is_same_v<V, Names>) {
    f.names(p.name, value);
  } else if constexpr (std::is_same_v<V, std::optional<std::size_t>>) {
    f.raw(p.name, value ? std::to_string(*value) : "None");
  } else if constexpr (std::is_same_v<V, bool>) {
    f.raw(p.name, value ? "true" : "false");
  } else if constexpr (std::is_same_v<V, double>) {
    f.real(p.name, value);
  } else if constexpr (std::is_same_v<V, std::optional<double>> || std::is_same_v<V, Value>) {
    if (value) {
      f.real(p.name, *value);
    } else {
      f.raw(p.name, "None");
    }
  } else if constexpr (std::is_enum_v<V>) {
    f.quoted(p.name, std::string(p.choices[static_cast<std::size_t>(value)]));
  } else {
    f.uint(p.name, value);
  }
}

template <class Core>
void repr(const Core& core, ReprFields& fields) {
  schema::for_each(Core::parameters(), [&](const auto& p) { show(p, core, fields); });
}

// ---- the parameters as read-only attributes ------------------------------------

// A parameter's value as the constructor takes it (a resolved count as resolved).
template <class P, class Core>
PyObject* attribute_value(const P& p, const Core& c) {
  decltype(auto) value = std::invoke(P::kGet, c);
  using V = std::remove_cvref_t<decltype(value)>;
  if constexpr (std::is_same_v<V, Names>) {
    return names_to_list(value);
  } else if constexpr (std::is_same_v<V, std::optional<std::size_t>>) {
    return value ? PyLong_FromSize_t(*value) : Py_NewRef(Py_None);
  } else if constexpr (std::is_same_v<V, bool>) {
    return PyBool_FromLong(value);
  } else if constexpr (std::is_same_v<V, double>) {
    return PyFloat_FromDouble(value);
  } else if constexpr (std::is_same_v<V, std::optional<double>> || std::is_same_v<V, Value>) {
    return value ? PyFloat_FromDouble(*value) : Py_NewRef(Py_None);
  } else if constexpr (std::is_enum_v<V>) {
    const std::string_view name = p.choices[static_cast<std::size_t>(value)];
    return PyUnicode_FromStringAndSize(name.data(), Py_ssize_t(name.size()));
  } else {
    return PyLong_FromUnsignedLongLong(value);
  }
}

template <class Core, std::size_t I>
PyObject* get_parameter(PyObject* self, void*) {
  return ObjectClass<Core>::read(self, [](const Core& core) {
    static constexpr auto ps = Core::parameters();
    return attribute_value(std::get<I>(ps), core);
  });
}

inline constexpr const char* kAttributeDoc = "The constructor's argument of this name (read-only).";

// One getset per parameter, in declaration order, ended by an empty entry.
template <class Core>
PyGetSetDef* attributes() {
  static constexpr auto ps = Core::parameters();
  constexpr std::size_t n = std::tuple_size_v<decltype(ps)>;
  static std::array<PyGetSetDef, n + 1> defs = []<std::size_t... I>(std::index_sequence<I...>) {
    return std::array<PyGetSetDef, n + 1>{PyGetSetDef{std::get<I>(ps).name, &get_parameter<Core, I>,
                                                      nullptr, kAttributeDoc, nullptr}...,
                                          PyGetSetDef{nullptr, nullptr, nullptr, nullptr, nullptr}};
  }(std::make_index_sequence<n>{});
  return defs.data();
}

// ---- the classes -----------------------------------------------------------------

template <class Core>
PyObject* make_transform(PyObject* module) {
  static const TransformEntry<Core> entry{
      .name = kClassName<Core>.data(),
      .params = params<Core>(),
      .doc = Core::kDocs.summary,
      .update_doc = Core::kDocs.update,
      .reset_doc = Core::kDocs.reset,
      .create = &create<Core>,
      .repr = &repr<Core>,
      .attributes = attributes<Core>(),
  };
  return TransformClass<Core>::make(module, entry);
}

template <class Core>
PyObject* make_target(PyObject* module) {
  static const TargetEntry<Core> entry{
      .name = kClassName<Core>.data(),
      .params = params<Core>(),
      .doc = Core::kDocs.summary,
      .create = &create<Core>,
      .repr = &repr<Core>,
      .attributes = attributes<Core>(),
      .output_names_doc = Core::kDocs.output_names,
  };
  return TargetClass<Core>::make(module, entry);
}

}  // namespace zerak::py::declared

// Applied, in namespace zerak::py::declared, to a family's list.
#define ZERAK_PYTHON_TRANSFORM(Class) template PyObject* make_transform<Class>(PyObject*);
#define ZERAK_PYTHON_TARGET(Class) template PyObject* make_target<Class>(PyObject*);
