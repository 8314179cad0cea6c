#pragma once

#include <string_view>

namespace zerak {

template <class>
inline constexpr bool kDependentFalse = false;

// The name of a class of the library: its Python name and its snapshot tag.
// Each family list (e.g. features/averages/family.hpp) names its members, in
// namespace zerak, with ZERAK_CLASS_NAME.
template <class T>
inline constexpr std::string_view kClassName = [] {
  static_assert(kDependentFalse<T>, "a class in no family list: add it to its family.hpp");
  return std::string_view{};
}();

}  // namespace zerak

#define ZERAK_CLASS_NAME(Class) \
  template <>                   \
  inline constexpr std::string_view kClassName<Class> = #Class;
