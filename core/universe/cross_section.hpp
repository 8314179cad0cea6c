#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "error.hpp"
#include "traits.hpp"
#include "value.hpp"

namespace zerak {

// A transform over one bar of every symbol at once: each input column is
// turned into the output column of the same position, from the values of
// all symbols at that bar. Symbols that did not trade, and missing or NaN
// values, are left out of the cross-section and get a missing output.
// Stateless: a bar never depends on another.
class CrossSection {
 public:
  enum class Kind : std::uint8_t { kRank, kZScore, kDemean, kClip, kBucket };
  // The kinds' names, by code: how the Python classes name their kind.
  static constexpr std::string_view kKindNames[] = {"rank", "zscore", "demean", "clip", "bucket"};
  [[nodiscard]] static std::optional<Kind> kind_named(std::string_view name) noexcept {
    for (std::size_t k = 0; k < std::size(kKindNames); ++k) {
      if (kKindNames[k] == name) return Kind(k);
    }
    return std::nullopt;
  }

  // Scratch reused from bar to bar, one per thread.
  struct Scratch {
    std::vector<std::pair<double, std::uint32_t>> sorted;
    std::vector<std::pair<double, std::uint32_t>> spare;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keys;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keys_spare;
    std::vector<std::uint32_t> histogram;
  };

  // a: ddof (zscore), lower quantile (clip), bucket count (bucket); b: upper
  // quantile (clip). Checks: inputs not empty, as many outputs as inputs,
  // then the options.
  static Result<CrossSection> create(Kind kind, Names inputs, Names outputs, double a, double b);

  // Output `column` for `n` symbols: symbol i's input at in[i * stride], its
  // output to out[i * stride]; active[i] == 0 leaves it out.
  void apply(const Value* in, Value* out, std::size_t stride, std::size_t n,
             const std::uint8_t* active, Scratch& scratch) const;

  [[nodiscard]] Kind kind() const noexcept { return kind_; }
  [[nodiscard]] const Names& inputs() const noexcept { return inputs_; }
  [[nodiscard]] const Names& outputs() const noexcept { return outputs_; }
  [[nodiscard]] double a() const noexcept { return a_; }
  [[nodiscard]] double b() const noexcept { return b_; }

 private:
  CrossSection(Kind kind, Names inputs, Names outputs, double a, double b)
      : kind_(kind), inputs_(std::move(inputs)), outputs_(std::move(outputs)), a_(a), b_(b) {}

  Kind kind_;
  Names inputs_;
  Names outputs_;
  double a_;
  double b_;
};

}  // namespace zerak
