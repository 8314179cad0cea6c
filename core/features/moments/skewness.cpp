#include "skewness.hpp"

namespace zerak {

Skewness::Correction::Correction(std::size_t window) noexcept
    : scale(static_cast<double>(window) /
            (static_cast<double>(window - 1) * static_cast<double>(window - 2))) {}

template class StandardizedMoment<Skewness>;

}  // namespace zerak
