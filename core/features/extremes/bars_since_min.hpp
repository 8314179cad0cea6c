#pragma once

#include "extremum_feature.hpp"

namespace zerak {

// Bars since the smallest of the last `window` values: 0 when it is the
// newest; among equal minima, the newest counts.
class BarsSinceMin final : public ExtremumFeature<BarsSinceMin, Extreme::Min> {
 public:
  static constexpr schema::Docs kDocs{
      "Bars since the smallest of the last ``window`` values (0: the newest bar).\n\n"
      "Among equal minima the most recent counts."};

  static double finish(const ExtremumWindow<Extreme::Min>::Cursor& w) noexcept {
    return static_cast<double>(w.age());
  }

 private:
  friend class WindowFeature<BarsSinceMin>;
  BarsSinceMin(Names inputs, std::size_t window, Names outputs)
      : ExtremumFeature(std::move(inputs), window, std::move(outputs)) {}
};

}  // namespace zerak
