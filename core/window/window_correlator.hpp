#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "window/correlation_method.hpp"
#include "ops/correlation.hpp"
#include "value.hpp"
#include "ring.hpp"

namespace zerak {

// The chosen estimator with the working storage it needs for windows of up
// to `window` points, sized at construction so that no bar allocates.
class WindowCorrelator {
 public:
  WindowCorrelator(CorrelationMethod method, std::size_t window);

  [[nodiscard]] CorrelationMethod method() const noexcept { return method_; }

  // x and y hold the same number of present values, at least 2 and at most
  // the window.
  [[nodiscard]] Value operator()(std::span<const double> x, std::span<const double> y) noexcept;

 private:
  CorrelationMethod method_;
  std::optional<ops::dense::SpearmanScratch> spearman_;
};

// Copies ring[from, from + count) to out[from, from + count); false as soon
// as one of those values is missing.
[[nodiscard]] bool copy_present(const Ring& ring, std::size_t from, std::size_t count,
                                double* out) noexcept;

}  // namespace zerak
