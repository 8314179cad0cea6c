#pragma once

#include "extremum_feature.hpp"

namespace zerak {

// Largest of the last `window` values.
class RollingMax final : public ExtremumFeature<RollingMax, Extreme::Max> {
 public:
  static constexpr schema::Docs kDocs{
      "Rolling maximum: the largest of the last ``window`` values."};

  static double finish(const ExtremumWindow<Extreme::Max>::Cursor& w) noexcept {
    return w.extreme();
  }

 private:
  friend class WindowFeature<RollingMax>;
  RollingMax(Names inputs, std::size_t window, Names outputs)
      : ExtremumFeature(std::move(inputs), window, std::move(outputs)) {}
};

}  // namespace zerak
