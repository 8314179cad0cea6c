#include "kurtosis.hpp"

namespace zerak {

Kurtosis::Correction::Correction(std::size_t window) noexcept {
  const double n = static_cast<double>(window);
  const double n1 = n + (-1.0);
  const double n2 = n + (-2.0);
  const double n3 = n + (-3.0);
  a = (n * (n + 1.0)) / ((n1 * n2) * n3);
  b = (3.0 * (n1 * n1)) / (n2 * n3);
}

template class StandardizedMoment<Kurtosis>;

}  // namespace zerak
