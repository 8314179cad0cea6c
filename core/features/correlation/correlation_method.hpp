#pragma once

#include <cstdint>
#include <string_view>

#include "schema.hpp"

namespace zerak {

// The estimator a correlation feature runs over its windows.
enum class CorrelationMethod : std::uint8_t { Pearson = 0, Spearman = 1, Kendall = 2 };

// The methods' names, by code.
inline constexpr std::string_view kCorrelationMethodNames[] = {"pearson", "spearman", "kendall"};

// The `method` parameter of the correlation features.
template <auto Get>
constexpr schema::ChoiceParam<Get, CorrelationMethod> correlation_method_param{
    "method", kCorrelationMethodNames, CorrelationMethod::Pearson, "correlation method"};

}  // namespace zerak
