#pragma once

// Any class of the class list built from its parameters() alone: each
// parameter takes its default, and the counts without one small values,
// until the class's own checks accept a combination. Tests that run over
// every class build them this way, so a new class needs no case of its own.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "all_classes.hpp"

namespace zerak::testing {

// One way to fill a class's parameters: column counts, a window, and the
// value of any later count that has no default.
struct Attempt {
  std::size_t inputs;
  std::size_t outputs;
  std::size_t window;
  std::size_t other;
};

inline Names numbered(const char* prefix, std::size_t n) {
  Names names;
  for (std::size_t j = 0; j < n; ++j) {
    // Appended rather than prefix + to_string(j): GCC 12 misreads the
    // prepend that operator+ inlines as an overlapping memcpy.
    std::string name = prefix;
    name += std::to_string(j);
    names.push_back(std::move(name));
  }
  return names;
}

// A parameter's value for one attempt: its default where it has one.
struct Chooser {
  const Attempt& a;
  bool first_size = true;

  template <auto G, class V>
  void operator()(const schema::NamesParam<G>& p, V& v) {
    const bool in = std::string_view(p.name) == "inputs";
    v = numbered(in ? "c" : "o", in ? a.inputs : a.outputs);
  }
  template <auto G, class V>
  void operator()(const schema::SizeParam<G>& p, V& v) {
    v = static_cast<V>(p.fallback ? *p.fallback : first_size ? a.window : a.other);
    first_size = false;
  }
  template <auto G, class V>
  void operator()(const schema::ResolvedSizeParam<G>&, V& v) {
    v = static_cast<V>(a.other);
  }
  template <auto G, class V>
  void operator()(const schema::FlagParam<G>& p, V& v) {
    v = p.fallback;
  }
  template <auto G, class V>
  void operator()(const schema::RealParam<G>& p, V& v) {
    v = p.fallback ? *p.fallback : 1.0;
  }
  template <auto G, class E, class V>
  void operator()(const schema::ChoiceParam<G, E>& p, V& v) {
    v = p.fallback;
  }
  template <class P, class V>
  void operator()(const P&, V& v) {  // optional counts and reals: None
    v = {};
  }
};

// T with its defaults and the first attempt its checks accept (smallest
// column counts and window first); nullopt when none is accepted.
template <class T>
std::optional<T> with_defaults() {
  constexpr auto params = T::parameters();
  for (std::size_t inputs = 1; inputs <= 4; ++inputs) {
    for (std::size_t outputs = 1; outputs <= 3; ++outputs) {
      for (const std::size_t window : {5, 30}) {
        for (const std::size_t other : {1, 2, 3}) {
          const Attempt a{inputs, outputs, window, other};
          auto config = std::apply(
              [](const auto&... p) {
                return std::tuple<std::remove_cvref_t<decltype(std::invoke(
                    std::remove_cvref_t<decltype(p)>::kGet, std::declval<const T&>()))>...>{};
              },
              params);
          Chooser choose{a};
          std::apply(
              [&](auto&... value) {
                std::apply([&](const auto&... p) { (choose(p, value), ...); }, params);
              },
              config);
          Result<T> built = std::apply(
              [](auto&&... value) { return T::create(std::move(value)...); }, std::move(config));
          if (built) return std::optional<T>(std::move(built).value());
        }
      }
    }
  }
  return std::nullopt;
}

}  // namespace zerak::testing
