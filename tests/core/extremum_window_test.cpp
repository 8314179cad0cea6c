// The monotonic deque of window extremes against a scan of each whole window:
// the extreme's bits (signed zeros tell which of equal values was kept), its
// age (the newest of equal extremes), readiness around gaps, and copies and
// rebuilds from the ring continuing exactly as the original.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "window/extremum_window.hpp"
#include "window/ring.hpp"

namespace zerak {
namespace {

// Few distinct values, so ties are common; signed zeros, infinities, NaN and gaps.
std::vector<Value> tied_series(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Value> xs(n);
  for (auto& x : xs) {
    const unsigned r = rng() % 40;
    if (r == 0) {
      x = kMissing;
    } else if (r == 1) {
      x = std::nan("");
    } else if (r == 2) {
      x = -0.0;
    } else if (r == 3) {
      x = 0.0;
    } else if (r == 4) {
      x = (rng() % 2) ? INFINITY : -INFINITY;
    } else {
      x = static_cast<double>(rng() % 5) - 2.0;
    }
  }
  return xs;
}

// The newest extreme of xs[end - w, end), or nothing while a bar is missing or NaN.
template <Extreme E>
std::optional<std::pair<double, std::size_t>> scan(const std::vector<Value>& xs, std::size_t end,
                                                   std::size_t w) {
  if (end < w) return std::nullopt;
  std::optional<std::pair<double, std::size_t>> best;
  for (std::size_t i = end - w; i < end; ++i) {
    if (!xs[i] || std::isnan(*xs[i])) return std::nullopt;
    const double x = *xs[i];
    const bool takes = !best || (E == Extreme::Max ? x >= best->first : x <= best->first);
    if (takes) best = std::pair{x, end - 1 - i};
  }
  return best;
}

template <Extreme E>
void check(std::size_t w, unsigned seed) {
  const auto xs = tied_series(600, seed);
  ExtremumWindow<E> window(w);
  Ring ring(w);
  std::optional<ExtremumWindow<E>> copy;
  std::optional<ExtremumWindow<E>> rebuilt;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    if (i == 300) {
      copy.emplace(window);
      rebuilt.emplace(w);
      rebuilt->push(1.0);  // stale state the rebuild must forget
      rebuilt->rebuild(ring);
    }
    window.push(xs[i]);
    ring.push(xs[i]);
    if (copy) {
      copy->push(xs[i]);
      rebuilt->push(xs[i]);
    }
    const auto want = scan<E>(xs, i + 1, w);
    ASSERT_EQ(window.ready(), want.has_value()) << "bar " << i;
    if (!want) continue;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(window.extreme()),
              std::bit_cast<std::uint64_t>(want->first))
        << "bar " << i;
    ASSERT_EQ(window.age(), want->second) << "bar " << i;
    if (!copy) continue;
    for (const auto* other : {&*copy, &*rebuilt}) {
      ASSERT_TRUE(other->ready());
      ASSERT_EQ(std::bit_cast<std::uint64_t>(other->extreme()),
                std::bit_cast<std::uint64_t>(window.extreme()));
      ASSERT_EQ(other->age(), window.age());
    }
  }
}

class ExtremumWindowTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ExtremumWindowTest, MatchesAScanOfEachWindow) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    check<Extreme::Min>(GetParam(), seed);
    check<Extreme::Max>(GetParam(), seed);
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, ExtremumWindowTest, ::testing::Values(1, 2, 3, 7, 16, 33));

}  // namespace
}  // namespace zerak
