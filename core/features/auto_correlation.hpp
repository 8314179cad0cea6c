#pragma once

#include <cstddef>
#include <span>

#include "../error.hpp"
#include "../ring.hpp"
#include "../scratch.hpp"
#include "../traits.hpp"
#include "correlation_method.hpp"
#include "window_correlator.hpp"

namespace zerak {

// Rolling correlation of one input with itself `lag` bars earlier, over
// windows of `window` bars.
class AutoCorrelation final : public TransformBase<AutoCorrelation> {
 public:
  // A window + lag beyond the address space throws std::length_error, and one
  // that cannot be allocated std::bad_alloc, here rather than on a later bar.
  static Result<AutoCorrelation> create(Names inputs, std::size_t window, Names outputs,
                                        std::size_t lag = 1,
                                        CorrelationMethod method = CorrelationMethod::Pearson);

  [[nodiscard]] std::size_t warm_up_period() const override { return window_ + lag_ - 1; }
  void reset() override;
  OutputRow update(std::span<const Value> values) override;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] std::size_t lag() const noexcept { return lag_; }
  [[nodiscard]] CorrelationMethod method() const noexcept { return kernel_.method(); }

 private:
  template <class> friend struct snapshot::Codec;

  AutoCorrelation(Names inputs, std::size_t window, Names outputs, std::size_t lag,
                  CorrelationMethod method);

  Ring buffer_;  // window + lag bars
  std::size_t window_;
  std::size_t lag_;
  WindowCorrelator kernel_;
  ScratchArray<double> copy_;  // the buffer as plain values, oldest first
};

}  // namespace zerak
