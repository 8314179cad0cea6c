#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "../error.hpp"
#include "../ring.hpp"
#include "../traits.hpp"

namespace zerak {

// Shannon entropy (nats) of the last `window` values binned into k equal-width
// bins between their own minimum and maximum, optionally divided by ln k.
class ShannonEntropy final : public TransformBase<ShannonEntropy> {
 public:
  // A fixed bin count, or none for Sturges' rule ceil(log2(window) + 1).
  using BinRule = std::optional<std::size_t>;

  static Result<ShannonEntropy> create(Names inputs, std::size_t window, Names outputs,
                                       BinRule bins, bool normalize);

  ShannonEntropy(const ShannonEntropy& other);
  ShannonEntropy(ShannonEntropy&&) noexcept = default;
  ShannonEntropy& operator=(const ShannonEntropy&) = delete;
  ShannonEntropy& operator=(ShannonEntropy&&) = delete;

  [[nodiscard]] std::size_t window() const noexcept { return window_; }
  [[nodiscard]] BinRule bins() const noexcept { return bins_; }
  [[nodiscard]] std::size_t bin_count() const noexcept { return bin_count_; }
  [[nodiscard]] bool normalize() const noexcept { return normalize_; }
  [[nodiscard]] std::size_t warm_up_period() const override { return window_ - 1; }
  [[nodiscard]] std::size_t values_read() const noexcept override { return 1; }
  void reset() override { buffer_.clear(); }
  OutputRow update(std::span<const Value> values) override;

 private:
  template <class> friend struct snapshot::Codec;

  ShannonEntropy(Names inputs, std::size_t window, Names outputs, BinRule bins,
                 std::size_t bin_count, bool normalize);

  // With more bins than values most bins are empty: then the occupied bins
  // are found by sorting the window's bin indices, so that per-bar work and
  // memory follow the window, never the bin count.
  [[nodiscard]] bool sparse() const noexcept { return bin_count_ > window_; }

  std::size_t window_;
  BinRule bins_;
  std::size_t bin_count_;
  bool normalize_;
  Ring buffer_;
  // Per-bar scratch, reserved once: k counters, or (sparse) window bin indices.
  std::vector<std::size_t> scratch_;
  // ln(c / window) * (c / window) for c = 1 .. window, for small windows;
  // the same expression as computed per bar, so the results are identical.
  std::vector<double> bin_terms_;
};

}  // namespace zerak
