#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "error.hpp"
#include "window/extremum_window.hpp"
#include "window/ring.hpp"
#include "traits.hpp"

namespace zerak {

// Shannon entropy (nats) of the last `window` values binned into k equal-width
// bins between their own minimum and maximum, optionally divided by ln k.
class ShannonEntropy final : public TransformBase<ShannonEntropy> {
 public:
  static constexpr auto parameters() {
    return std::tuple_cat(
        schema::window_parameters<ShannonEntropy>(),
        std::tuple{schema::OptionalSizeParam<&ShannonEntropy::bins>{"bins"},
                   schema::FlagParam<&ShannonEntropy::normalize>{"normalize", true}});
  }
  static constexpr auto state() {
    return std::tuple{schema::RingState<&ShannonEntropy::buffer_>{"window values"}};
  }
  static constexpr schema::Docs kDocs{
      .summary =
          "Rolling Shannon entropy over a fixed window.\n"
          "\n"
          "Discretizes the last ``window`` values into equal-width bins and computes\n"
          "``H = -sum(p_i * ln(p_i))`` in nats. When ``normalize`` is ``True``,\n"
          "outputs ``H / ln(n_bins)`` in [0, 1].\n"
          "Returns ``NaN`` during warm-up or while any ``NaN`` is in the window.",
      .update =
          "Process one bar. Returns ``[NaN]`` during warm-up or while any ``NaN`` is in the "
          "window.",
  };

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
  void reset() override;
  OutputRow update(std::span<const Value> values) override;
  OutputRow peek(std::span<const Value> values) override;
  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override;

  // Recomputes the plain copy of the window and the missing count from the
  // buffer, the primary state, and drops the kept bin counts (after the
  // buffer was restored from elsewhere).
  void rebuild_from_window();

 private:
  ShannonEntropy(Names inputs, std::size_t window, Names outputs, BinRule bins,
                 std::size_t bin_count, bool normalize);

  // With more bins than values most bins are empty: then the occupied bins
  // are found by sorting the window's bin indices, so that per-bar work and
  // memory follow the window, never the bin count.
  [[nodiscard]] bool sparse() const noexcept { return bin_count_ > window_; }
  // lo[0] and hi[0] become the window's extremes, from a scan of plain_.
  void scan_extremes(double (&lo)[4], double (&hi)[4]) const noexcept;

  std::size_t window_;
  BinRule bins_;
  std::size_t bin_count_;
  bool normalize_;
  Ring buffer_;
  BasicRing<double> plain_;  // the buffer's values, 0 where missing
  std::size_t missing_ = 0;  // missing entries in the buffer
  // The window's edges, derived from the buffer; a peek scans instead and
  // leaves them alone.
  ExtremumWindow<Extreme::Min> low_;
  ExtremumWindow<Extreme::Max> high_;
  bool peeking_ = false;
  // Reserved once: the k bin counts of the last window, kept while its edges
  // (minimum and maximum) stay put, or (sparse) per-bar window bin indices.
  std::vector<std::size_t> scratch_;
  // Whether scratch_ holds the counts of the previous bar's window binned
  // between edge_lo_ and edge_hi_.
  bool counts_valid_ = false;
  double edge_lo_ = 0.0;
  double edge_hi_ = 0.0;
  // The kept counts while a peek runs (sized on the first peek).
  std::vector<std::size_t> peek_counts_;
  // ln(c / window) * (c / window) for c = 1 .. window, for small windows;
  // the same expression as computed per bar, so the results are identical.
  std::vector<double> bin_terms_;
};

}  // namespace zerak
