#include "rolling_beta.hpp"

#include <utility>

namespace zerak {

RollingBeta::RollingBeta(Names inputs, std::size_t window, Names outputs, std::size_t ddof,
                         bool running)
    : WindowMoment(std::move(inputs), window, std::move(outputs), ddof, running) {}

}  // namespace zerak
