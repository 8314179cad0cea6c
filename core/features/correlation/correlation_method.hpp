#pragma once

#include <string_view>

#include "schema.hpp"
#include "window/correlation_method.hpp"

namespace zerak {

// The methods' names, by code.
inline constexpr std::string_view kCorrelationMethodNames[] = {"pearson", "spearman", "kendall"};

// The `method` parameter of the correlation features.
template <auto Get>
constexpr schema::ChoiceParam<Get, CorrelationMethod> correlation_method_param{
    "method", kCorrelationMethodNames, CorrelationMethod::Pearson, "correlation method"};

}  // namespace zerak
