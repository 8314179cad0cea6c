#pragma once

#include "extremum_feature.hpp"

namespace zerak {

// Bars since the largest of the last `window` values: 0 when it is the newest;
// among equal maxima, the newest counts.
class BarsSinceMax final : public ExtremumFeature<BarsSinceMax, Extreme::Max> {
 public:
  static constexpr schema::Docs kDocs{
      "Bars since the largest of the last ``window`` values (0: the newest bar).\n\n"
      "Among equal maxima the most recent counts."};

  static double finish(const ExtremumWindow<Extreme::Max>::Cursor& w) noexcept {
    return static_cast<double>(w.age());
  }

 private:
  friend class WindowFeature<BarsSinceMax>;
  BarsSinceMax(Names inputs, std::size_t window, Names outputs)
      : ExtremumFeature(std::move(inputs), window, std::move(outputs)) {}
};

}  // namespace zerak
