#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "value.hpp"
#include "window/ring.hpp"
#include "ops/steps.hpp"

// The recursive steps of the indicators of one price column, in the
// operation order of the classic indicator library (a user switching from it
// gets the same numbers to the last few bits). Each class keeps the state in
// members of its own (its snapshots name them) and passes them in.
namespace zerak::close_ind {

// The smoothing constant of an EMA over n bars.
[[nodiscard]] inline double ema_constant(std::size_t n) noexcept {
  return 2.0 / (static_cast<double>(n) + 1.0);
}

[[nodiscard]] inline double ema_step(double previous, double x, double k) noexcept {
  return (x - previous) * k + previous;
}

// A seeded EMA's next value; over one bar it is the input itself.
[[nodiscard]] inline double ema_next(double previous, double x, double k) noexcept {
  return k == 1.0 ? x : ema_step(previous, x, k);
}

// 0.0 + the last `count` entries of a ring of present values, oldest first.
[[nodiscard]] inline Value sum_newest(const Ring& ring, std::size_t count) noexcept {
  double sum = 0.0;
  for (std::size_t i = ring.size() - count; i < ring.size(); ++i) {
    const Value& v = ring[i];
    if (!v) return kMissing;  // only a hand-made snapshot holds one
    sum = steps::sum(sum, *v);
  }
  return sum;
}

// An EMA seeded with the mean of its first `seed.capacity()` inputs, which
// `seed` collects until then.
[[nodiscard]] inline Value seeded_ema(Ring& seed, Value& current, double x, double k) {
  if (current) {
    current = ema_next(*current, x, k);
    return current;
  }
  seed.push(x);
  if (!seed.full()) return kMissing;
  const Value sum = sum_newest(seed, seed.capacity());
  seed.clear();
  if (sum) current = *sum / static_cast<double>(seed.capacity());
  return current;
}

// One level of a chain of seeded EMAs, each smoothing the one before.
struct EmaLevel {
  const Value& current;
  const Ring& seed;
};

// What a restored chain could not have come from: a level seeded before the
// one it smooths, or seed values beside a seeded level.
[[nodiscard]] inline const char* chain_problem(std::initializer_list<EmaLevel> levels) noexcept {
  bool before_seeded = true;
  for (const EmaLevel& level : levels) {
    if (level.current && !level.seed.empty()) return "seed values beside a seeded average";
    if (!before_seeded && (level.current || !level.seed.empty())) {
      return "an average seeded before the one it smooths";
    }
    before_seeded = level.current.has_value();
  }
  return nullptr;
}

// Wilder's RSI: the averages of the gains and losses of the first n changes
// (n + 1 prices in `seed`), then smoothed by (avg * (n - 1) + change) * (1 / n),
// the reciprocal as the classic library's builds have it.
struct RsiState {
  Value& previous;  // the last price
  Value& gain;      // average gain, once seeded
  Value& loss;
  Ring& seed;
};

// 100 * gain / (gain + loss), or 0 where there was no change at all (or
// the averages of a long flat run have decayed to zero).
[[nodiscard]] inline double rsi_of(double gain, double loss) noexcept {
  const double total = gain + loss;
  return total != 0.0 ? 100.0 * (gain / total) : 0.0;
}

// One seeded step: the new RSI, the averages and the last price updated.
[[nodiscard]] inline double wilder_step(double& previous, double& gain, double& loss, double x,
                                        double n_minus_1, double inverse_n) noexcept {
  const double change = x - previous;
  previous = x;
  // Without a branch, which a random walk would mispredict half the time:
  // the average that does not move takes +0.0, which leaves its bits alone
  // (the averages are never -0.0). The change goes to one side by a mask of
  // its bits: written as a select, it compiled to a branch.
  const std::uint64_t falls = std::uint64_t{0} - std::uint64_t{change < 0.0};
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(change);
  loss = loss * n_minus_1 - std::bit_cast<double>(bits & falls);
  gain = gain * n_minus_1 + std::bit_cast<double>(bits & ~falls);
  loss *= inverse_n;
  gain *= inverse_n;
  return rsi_of(gain, loss);
}

[[nodiscard]] inline bool seeded(const RsiState& s) noexcept {
  return s.gain && s.loss && s.previous;
}

[[nodiscard]] inline Value rsi_step(const RsiState& s, double x, double n, double n_minus_1,
                                    double inverse_n) {
  if (seeded(s)) return wilder_step(*s.previous, *s.gain, *s.loss, x, n_minus_1, inverse_n);
  s.seed.push(x);
  if (!s.seed.full()) return kMissing;
  double gain = 0.0;
  double loss = 0.0;
  for (std::size_t i = 1; i < s.seed.size(); ++i) {
    if (!s.seed[i - 1] || !s.seed[i]) {  // only a hand-made snapshot holds one
      s.seed.clear();
      return kMissing;
    }
    const double change = *s.seed[i] - *s.seed[i - 1];
    if (change < 0) {
      loss -= change;
    } else {
      gain += change;
    }
  }
  s.seed.clear();
  s.previous = x;
  s.gain = gain / n;
  s.loss = loss / n;
  return rsi_of(*s.gain, *s.loss);
}

}  // namespace zerak::close_ind
