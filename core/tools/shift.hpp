#pragma once

#include <cstddef>
#include <vector>

#include "value.hpp"

namespace zerak::tools {

// The series looked ahead by `ahead` bars (out[i] = series[i + ahead]), done
// in place on a series the caller gives up; positions without a source are
// missing and the length stays. The distance may exceed the length.
std::vector<Value> shift_ahead(std::vector<Value> series, std::size_t ahead);

}  // namespace zerak::tools
