#pragma once

#include "extremum_feature.hpp"

namespace zerak {

// Smallest of the last `window` values.
class RollingMin final : public ExtremumFeature<RollingMin, Extreme::Min> {
 public:
  static constexpr schema::Docs kDocs{
      "Rolling minimum: the smallest of the last ``window`` values."};

  static double finish(const ExtremumWindow<Extreme::Min>::Cursor& w) noexcept {
    return w.extreme();
  }

 private:
  friend class WindowFeature<RollingMin>;
  RollingMin(Names inputs, std::size_t window, Names outputs)
      : ExtremumFeature(std::move(inputs), window, std::move(outputs)) {}
};

}  // namespace zerak
